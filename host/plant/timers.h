// The scripts' timers on a virtual clock counted in milliseconds. A timer
// started with "ET id interval" ticks every interval from the moment it
// was started until "ET id" stops it; the clock moves only when the
// operator advances it, so runs are repeatable. Each position of a studio
// has timers of its own (timer 1 of one script is not timer 1 of another);
// they share the one clock and tick in one order.
#ifndef VESK_HOST_TIMERS_H
#define VESK_HOST_TIMERS_H

#include <cstdint>
#include <optional>
#include <vector>

namespace vesk_host {

struct RunningTimer {
    std::int32_t id;
    std::int32_t interval;  // milliseconds, above 0
    std::int64_t due;       // clock time of the next tick
    int position = 0;       // the studio position whose script started it
};

class Timers {
public:
    std::int64_t now() const { return now_; }
    // Moves the clock; never backwards. A timer whose tick now lies behind
    // the clock (left undelivered) moves on to its first tick from now.
    void setNow(std::int64_t time);

    // Starts `id` (restarting it when it runs) with its first tick one
    // interval from now.
    void start(std::int32_t id, std::int32_t interval, int position = 0);
    // False when `id` was not running.
    bool stop(std::int32_t id, int position = 0);
    bool running(std::int32_t id, int position = 0) const;
    // Stops every timer of the position.
    void stopAll(int position);

    // The timer due first: earliest tick, then the one started first.
    std::optional<RunningTimer> next() const;
    // After a tick of `id`: its next tick one interval later.
    void rearm(std::int32_t id, int position = 0);

    // In the order they tick.
    std::vector<RunningTimer> list() const;

private:
    struct Slot {
        RunningTimer timer;
        std::uint64_t order;  // start order, for ticks that fall together
    };
    std::vector<Slot> slots_;
    std::int64_t now_ = 0;
    std::uint64_t started_ = 0;
};

} // namespace vesk_host

#endif
