// The script's timers on a virtual clock counted in milliseconds. A timer
// started with "ET id interval" ticks every interval from the moment it
// was started until "ET id" stops it; the clock moves only when the
// operator advances it, so runs are repeatable.
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
};

class Timers {
public:
    std::int64_t now() const { return now_; }
    // Moves the clock; never backwards. A timer whose tick now lies behind
    // the clock (left undelivered) moves on to its first tick from now.
    void setNow(std::int64_t time);

    // Starts `id` (restarting it when it runs) with its first tick one
    // interval from now.
    void start(std::int32_t id, std::int32_t interval);
    // False when `id` was not running.
    bool stop(std::int32_t id);
    bool running(std::int32_t id) const;

    // The timer due first: earliest tick, then the one started first.
    std::optional<RunningTimer> next() const;
    // After a tick of `id`: its next tick one interval later.
    void rearm(std::int32_t id);

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
