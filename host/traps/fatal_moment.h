// The fatal watch's picture of the moment (the call under way, the
// library's own code, the step, the last commands), kept on every platform
// so that a report reads the same wherever it is written: by the watch's
// own handlers (POSIX), or by a supervisor that keeps its worker's moment.
// For the watch's implementation; callers use fatal_watch.h.
#ifndef VESK_HOST_TRAPS_FATAL_MOMENT_H
#define VESK_HOST_TRAPS_FATAL_MOMENT_H

#include "traps/fatal_watch.h"

namespace vesk_host::fatal {

namespace moment {

// Inside a call into the script, or the library's own code.
bool inScript();
// When the call (or the library's code) under way began, in nanoseconds of
// std::chrono::steady_clock; 0 when none is.
long long callStart();

} // namespace moment

// A fault at `address` inside a guarded reply text or a closed record slot:
// its report (read-after-release, read-past-end, record-kept), `cause`
// ("SIGSEGV", "access violation 0xC0000005") in its words. False, and the
// report untouched, for any other address. Allocates nothing.
bool describeMemoryFault(Report& report, const void* address, const char* cause);
// Whether the call under way has run past `timeoutSeconds` (0: no time-out)
// at `now`, in nanoseconds of std::chrono::steady_clock.
bool pastTimeout(double timeoutSeconds, long long now);
// The call-timeout report of such a call.
void describeTimeout(Report& report, double timeoutSeconds);

} // namespace vesk_host::fatal

#endif
