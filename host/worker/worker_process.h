// A worker process: the one way the emulator starts a script somewhere its
// faults cannot reach the supervisor (run, every check of validate, the
// live page of serve). The supervisor talks to the worker through two
// channels, one each way, and reads what the worker prints (its standard
// output and error) apart from them.
//
// POSIX: the worker is a fork() of the supervisor running the launch's
// body. Windows: it is this program started again with the launch's
// arguments (its hidden worker mode), which takes its channels with
// takeChannels(). Either way the worker's standard input reads nothing,
// its channels sit above descriptor 2 (so a script that closes or replaces
// 0, 1 or 2 never cuts them), and every other descriptor of the supervisor
// (a listening socket, a connection) is closed in it.
//
// The object owns the process: destroying it kills and reaps a worker that
// still runs.
#ifndef VESK_HOST_WORKER_PROCESS_H
#define VESK_HOST_WORKER_PROCESS_H

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "worker/worker_channel.h"

namespace vesk_host::worker {

// How a worker ended.
struct WorkerEnd {
    enum class How { exited, signalled, killed };
    How how = How::exited;
    int exitCode = 0;
    // "SIGSEGV", or "access violation 0xC0000005" on Windows, when signalled.
    std::string signal;
};

struct Launch {
    // POSIX: what the worker runs; its return value is the worker's exit
    // code (3 when it throws). Exit handlers never run in the worker.
    std::function<int(Channel& channel)> body;
    // Windows: the arguments of this program's hidden worker mode.
    std::vector<std::string> arguments;
    // Whether the supervisor reads what the worker prints (kept by receive);
    // otherwise it goes to the supervisor's standard error.
    bool captureOutput = true;
    // With captured output: only standard output is captured, standard
    // error stays the supervisor's (POSIX).
    bool keepStandardError = false;
};

class WorkerProcess {
public:
    using Clock = std::chrono::steady_clock;

    WorkerProcess();
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    // Starts the worker. Fails when no pipe or process can be had.
    Status start(const Launch& launch);
    bool started() const;

    // Bytes to the worker's input channel. False when it no longer reads.
    bool send(std::string_view bytes);
    // The worker reads the end of its input from now on.
    void closeInput();

    enum class Got {
        channel,   // bytes from the worker's output channel
        printed,   // bytes the worker printed (captured output only)
        ended,     // the worker closed its channel: it has ended or is ending
        timedOut,  // nothing came before the deadline
    };
    // The next bytes from the worker, waiting until `deadline`.
    Got receive(std::string& bytes, Clock::time_point deadline);

    // Kills the worker and reaps it.
    WorkerEnd kill();
    // Closes the channels and waits for the worker to end by itself;
    // what it printed meanwhile is added to `printed` when given.
    WorkerEnd wait(std::string* printed = nullptr);

    // Whether workers are made by fork() (POSIX) rather than by starting this program again.
    static bool byFork();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// In a worker started as this program again (Windows; on POSIX only when
// its hidden mode is run by hand): its channels to the supervisor, taken
// over from standard input and output, which read nothing and go to
// standard error from then on. On Windows a crash from then on ends the
// process at once, with no debugger or dialog. Forked workers are handed
// their channel by start().
std::unique_ptr<Channel> takeChannels();

} // namespace vesk_host::worker

#endif
