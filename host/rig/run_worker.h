// The worker's side of a supervised run: it builds the Rig from the plan,
// streams every event to the supervisor (event_stream.h), starts the
// script, carries out the steps (from the session file, or one at a time as
// the supervisor sends them), ends and unloads the script, and says it is
// done. It writes nothing to the terminal: the supervisor owns it. Its
// fatal watch reports a crash, an exit() or a hung call as a record before
// the worker ends.
#ifndef VESK_HOST_RIG_RUN_WORKER_H
#define VESK_HOST_RIG_RUN_WORKER_H

#include <functional>
#include <string>

#include "rig/rig.h"
#include "rig/run_plan.h"
#include "worker/shared_ring.h"
#include "worker/worker_channel.h"

namespace vesk_host {

struct WorkerRun {
    RunPlan plan;
    // The session file, already checked; empty: steps come down the channel.
    std::string session;
    // Whether the final panel state is shown (an event like any other).
    bool finalState = true;
    // Whether the supervisor shows only the run's problems (and keeps no
    // golden file): the commands and replies of each call are not streamed.
    bool problemsOnly = false;
    // What the supervisor writes on standard error after start-up (the
    // layout learned), and on standard output after the transcript; empty: nothing.
    std::function<std::string(const Rig&)> startWords;
    std::function<std::string(const Rig&)> endText;
    // Memory shared with the supervisor for the records, where there is one (not owned).
    worker::SharedRing* ring = nullptr;
};

// Runs in the worker; returns its exit code (0 once it has said "done").
int runWorker(const WorkerRun& run, worker::Channel& channel);

} // namespace vesk_host

#endif
