// The fatal watch's picture of the moment (the call under way, the
// library's own code, the step, the last commands), kept on every platform
// so that a report reads the same wherever it is written: by the watch's
// own handlers (POSIX), or by a supervisor that keeps its worker's moment.
// For the watch's implementation; callers use fatal_watch.h.
#ifndef VESK_HOST_TRAPS_FATAL_MOMENT_H
#define VESK_HOST_TRAPS_FATAL_MOMENT_H

namespace vesk_host::fatal::moment {

// Inside a call into the script, or the library's own code.
bool inScript();
// When the call (or the library's code) under way began, in nanoseconds of
// std::chrono::steady_clock; 0 when none is.
long long callStart();

} // namespace vesk_host::fatal::moment

#endif
