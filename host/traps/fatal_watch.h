// The last word on a script that takes the process down or never returns.
// While armed, a fatal signal inside a call into the script (a crash, an abort, a read
// of a guarded host text after its hand-back or past its end), an exit()
// called by the script, or a call into the script that runs past its
// time-out is told to the sink as one report (the rule, what happened,
// during which call and step, and the script's last commands), and the
// process then ends with exit code 1: a script never makes the host exit 0
// by ending it. A fatal signal on a thread other than the one that armed
// the watch is the script's too (a thread of its own), whenever it comes. The sink runs in a signal handler, or on the watchdog's
// thread: it may only write to file descriptors. Reports are built in fixed
// buffers; nothing allocates.
#ifndef VESK_HOST_FATAL_WATCH_H
#define VESK_HOST_FATAL_WATCH_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "events/host_events.h"

namespace vesk_host::fatal {

struct Report {
    const Rule* rule;     // script-crashed, script-ended, call-timeout, read-after-release, read-past-end
    const char* signal;   // "SIGSEGV", ... or null
    bool timedOut;
    char message[2048];   // what happened, during which call and step, and the last commands
};

using Sink = void (*)(const Report& report);

// Installs the handlers and the watchdog (once per process); `timeoutSeconds`
// bounds each call into the script (0: no watchdog). Not available on every
// platform: see available().
void install(Sink sink, double timeoutSeconds);
bool available();

// Puts the watch's own signal handlers back (a script replaced one).
void reclaimSignals();

// Reports only while armed.
void arm();
void disarm();

// What the script is doing, for the report. `call` and `step` must stay
// alive until the matching end; a command text is copied. `started` is
// when the call began, in nanoseconds of std::chrono::steady_clock.
void callStarted(const HostEvent& call, std::int64_t started);
void callEnded();
// The library's own code runs outside any call (its static constructors
// while it loads, its static destructors while it unloads): as in a call,
// a crash, an exit() or a hang there is the script's. `moment` names it
// ("unload (the library's static destructors)") and must stay alive.
void libraryCodeStarted(const char* moment, std::int64_t started);
void libraryCodeEnded();
void stepStarted(int line, std::string_view source);
void stepEnded();
void commandSent(std::string_view text);

// Builds a report as the handlers do (for tests and for the sinks' own use).
void describe(Report& report, const Rule* rule, const char* what);

} // namespace vesk_host::fatal

#endif
