// One child of the validator (a check, the probe, the learning of the
// layout) in a worker process with a watchdog: its records handed on as
// they come, what it printed kept for the report, and how it ended.
#ifndef VESK_HOST_VALIDATOR_CHECK_WORKER_H
#define VESK_HOST_VALIDATOR_CHECK_WORKER_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "validator/isolation.h"

namespace vesk_host::validator {

struct ChildEnd {
    enum class How { exited, signalled, timedOut };
    How how = How::exited;
    int exitCode = 0;
    std::string signal;  // "SIGSEGV", "access violation 0xC0000005", ... when signalled
    std::string output;  // the last of what it printed (standard output and error)
};

// Runs `body` in a worker (a fork() here, or this program started again
// with `arguments` where there is no fork()), handing each piece of its
// records to `received` as it comes; `received` answers true once the
// child has said all it will say. The worker is killed when it has not
// said so within `watchdogSeconds`, or has not ended within a grace period
// after. Throws when no worker can be started.
ChildEnd runInWorker(const std::function<void(RecordSink&)>& body, const std::vector<std::string>& arguments,
                     double watchdogSeconds, const std::function<bool(const char*, std::size_t)>& received);

} // namespace vesk_host::validator

#endif
