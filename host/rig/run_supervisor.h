// The supervisor's side of a supervised run: it starts the worker
// (run_worker.h), hands every event the worker streams to its own bus as
// if the emulator ran here, passes steps typed at a prompt down, and keeps
// the watch the worker cannot keep on itself: a worker that dies, exits or
// stops answering is reported as the broken rule with the moment it
// happened (during which call, the library's loading or unloading), and a
// hung worker is ended. It knows nothing of the command line; how the run
// ended is told to the caller, who words it.
#ifndef VESK_HOST_RIG_RUN_SUPERVISOR_H
#define VESK_HOST_RIG_RUN_SUPERVISOR_H

#include <optional>
#include <string>

#include "events/host_events.h"
#include "worker/shared_ring.h"
#include "worker/worker_process.h"

namespace vesk_host {

// What the caller words.
class RunListener {
public:
    virtual ~RunListener() = default;
    // A step that could not be carried out (line 0: not a line of a file).
    virtual void stepFailed(int line, const Error& error) = 0;
    // A line for standard error (the layout learned, ...).
    virtual void words(const std::string& text) = 0;
    // Text for standard output after the transcript, outside any golden file.
    virtual void after(const std::string& text) = 0;
    // The next step line typed at the prompt; nothing at the end of input.
    virtual std::optional<std::string> nextStep() = 0;
};

struct SupervisedEnd {
    enum class How {
        done,            // the run is over and the worker said so
        loadFailed,      // the library cannot be loaded or its start-up failed: `message` says why
        scriptEnded,     // the script took the worker down or hung it: `rule`, `message` (also a finding)
        emulatorFailed,  // the emulator's own failure: `message` says what
    };
    How how = How::done;
    const Rule* rule = nullptr;
    std::string message;
    int expectationsMet = 0;
    int expectationsFailed = 0;
};

// Runs the worker of `launch` to its end. `callTimeoutSeconds` is the
// worker's own watchdog; the supervisor ends a worker that says nothing
// for a little longer while it should be working. Where the worker writes
// its records into `ring` (not owned; null: down the channel), its channel
// only wakes the supervisor, which also looks at the ring now and then.
SupervisedEnd superviseRun(const worker::Launch& launch, EventBus& events, RunListener& listener,
                           double callTimeoutSeconds, worker::SharedRing* ring = nullptr);

} // namespace vesk_host

#endif
