// Progress of a long run on standard error: events delivered, events a
// second and violations so far, once a second after the first few seconds.
// Only where standard error is a terminal, and never with --quiet.
#ifndef VESK_HOST_PROGRESS_H
#define VESK_HOST_PROGRESS_H

#include <chrono>
#include <cstdint>

#include "events/host_events.h"

namespace vesk_host {

class Progress final : public EventObserver {
public:
    // Whether progress is shown here: standard error is a terminal.
    static bool wanted();

    Progress();
    ~Progress() override;  // ends the progress line, if one was written
    void observe(const HostEvent& event) override;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point started_;
    Clock::time_point shown_;
    std::uint64_t events_ = 0;
    std::uint64_t violations_ = 0;
    bool written_ = false;
};

} // namespace vesk_host

#endif
