// "vesk_host run --isolate": the whole run in a child process, its output
// relayed as it comes; a child that ends before the run has finished (a
// crash, exit(), _exit(), a kill) is reported with how it ended and the
// last lines of its transcript, and the run exits with 1, never 0.
#ifndef VESK_HOST_RUN_ISOLATION_H
#define VESK_HOST_RUN_ISOLATION_H

#include <functional>

namespace vesk_host {

// Whether this platform can run a run in a child process.
bool isolationAvailable();
// Runs `run` in a child process and returns its exit code, or 1 with a
// report when it did not finish.
int runIsolated(const std::function<int()>& run, bool json);

// In the child: the fatal watch tells the parent through this that it has
// reported already (set by runIsolated; -1 elsewhere).
int isolatedDoneChannel();

} // namespace vesk_host

#endif
