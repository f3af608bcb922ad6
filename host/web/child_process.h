// The script's process of the live page: a worker (worker/worker_process.h)
// that the server talks to in lines both ways: session steps down, protocol
// lines (child_protocol.h) up. What the script prints goes to the server's
// standard error. The object owns the process: destroying it kills and
// reaps it.
#ifndef VESK_HOST_WEB_CHILD_PROCESS_H
#define VESK_HOST_WEB_CHILD_PROCESS_H

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "base/result.h"
#include "web/child_protocol.h"
#include "worker/worker_process.h"

namespace vesk_host::web {

struct ChildEnd {
    enum class How { exited, signalled };
    How how = How::exited;
    int exitCode = 0;
    std::string signal;  // "SIGSEGV", ... when signalled
};

class ChildProcess {
public:
    // Longest line the child may send.
    static constexpr std::size_t maxLine = 32u << 20;

    // Starts `body(channel)` in a worker; what it returns is the process's
    // exit code. Fails when no pipe or process can be had.
    Status start(const std::function<int(worker::Channel& channel)>& body);
    bool started() const { return process_.started(); }

    // Sends one line ("\n" added). False when the child no longer reads.
    bool send(const std::string& line);

    enum class Read { line, ended, timedOut, garbled };
    // The next line the child sent, waiting until `deadline`. `ended`: the
    // child closed its side (it has ended or is ending); `garbled`: it sent
    // a line longer than maxLine.
    Read readLine(std::string& line, std::chrono::steady_clock::time_point deadline);

    // Kills the child and reaps it; what ended it.
    ChildEnd kill();
    // Closes the pipes and waits for the child to end by itself.
    ChildEnd wait();

private:
    worker::WorkerProcess process_;
    LineSplitter splitter_{maxLine};
    std::deque<std::string> lines_;
};

// In the child: reads "\n"-terminated lines from the channel (nothing at
// the end of input), and writes whole texts to it.
std::function<std::optional<std::string>()> lineReader(worker::Channel& channel);
std::function<void(const std::string&)> channelWriter(worker::Channel& channel);

} // namespace vesk_host::web

#endif
