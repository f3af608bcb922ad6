// Revertives waiting for delivery. Commands only queue them; they reach
// the script after the call that caused them has returned, never inside a
// command.
#ifndef VESK_HOST_REVERTIVE_QUEUE_H
#define VESK_HOST_REVERTIVE_QUEUE_H

#include <cstdint>
#include <deque>
#include <string>

namespace vesk_host {

struct PendingRevertive {
    std::int32_t device;
    std::int32_t index;
    std::string text;
};

using RevertiveQueue = std::deque<PendingRevertive>;

} // namespace vesk_host

#endif
