// What the script does to the process it shares with the host: changes of
// the working folder, the environment, the locale, the umask, signal
// dispositions or the signal mask, descriptors 0 to 2 closed or replaced,
// threads started, fork(). The process interposer (process_interposer.cpp,
// linked into vesk_host on glibc builds without sanitizers) stands in front
// of the C library's functions that make them and notes each here while the
// watch is on; nothing is noted, and nothing costs, otherwise. The host
// takes what a call noted right after the call returns.
//
// Noting never allocates or locks: a script thread may note at any time.
#ifndef VESK_HOST_TRAPS_PROCESS_WATCH_H
#define VESK_HOST_TRAPS_PROCESS_WATCH_H

#include <cstddef>

namespace vesk_host::process {

enum Change : unsigned {
    workingFolder = 1u << 0,
    environment = 1u << 1,
    locale = 1u << 2,
    fileMask = 1u << 3,
    signalDispositions = 1u << 4,
    signalMask = 1u << 5,
    descriptors = 1u << 6,
    forked = 1u << 7,
};

// Whether the interposer is linked in: without it nothing is ever noted.
bool available();

// Notes from now on (once the host has set its own process up), or no more.
void start();
void stop();
bool watching();

// Called by the interposer: `what` is the call as the script made it
// ("chdir(\"/tmp\")"); the first of each kind since the last take is kept.
void note(Change change, const char* what);
// note() of a call while watching, written `function("argument")` (the
// argument cut to 100 bytes; null as (null)) or `function(number)`.
void noteText(Change change, const char* function, const char* argument);
void noteNumber(Change change, const char* function, long number);
// The changes noted since the last take, and the call that made the first
// of `change`; taking clears them.
unsigned take();
const char* firstOf(Change change);

// Threads started through pthread_create while watching that have not ended.
int threadsRunning();
void threadStarted();
void threadEnded();

// In a copy of the process made by the script's fork(): set in the copy
// only. The copy must never act as the host.
bool inForkedCopy();
void enterForkedCopy();

} // namespace vesk_host::process

#endif
