// A child process that the server talks to both ways through two pipes:
// lines to its standard input side, lines back from its output side. POSIX
// only (fork, pipe, poll, waitpid); the live page is not built elsewhere.
//
// The child keeps only the two pipe ends and standard error: every other
// descriptor the server holds (its listening socket, its connections) is
// closed in the child, so a script that hangs never keeps the server's
// port. Whatever the script prints to standard output goes to standard
// error. The object owns the process: destroying it kills and reaps it.
#ifndef VESK_HOST_WEB_CHILD_PROCESS_H
#define VESK_HOST_WEB_CHILD_PROCESS_H

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "base/result.h"
#include "web/child_protocol.h"

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

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `body(inFd, outFd)` in a new process; what it returns is the
    // process's exit code. Fails when no pipe or process can be had.
    Status start(const std::function<int(int inFd, int outFd)>& body);
    bool started() const { return pid_ > 0; }

    // Sends one line ("\n" added). False when the child no longer reads.
    bool send(const std::string& line);

    enum class Read { line, ended, timedOut, garbled };
    // The next line the child sent, waiting until `deadline`. `ended`: the
    // child closed its side (it has ended or is ending); `garbled`: it sent
    // a line longer than maxLine.
    Read readLine(std::string& line, std::chrono::steady_clock::time_point deadline);

    // Kills the child (SIGKILL) and reaps it; what ended it.
    ChildEnd kill();
    // Closes the pipes and waits for the child to end by itself.
    ChildEnd wait();

private:
    ChildEnd reap();
    void closePipes();

    int pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    LineSplitter splitter_{maxLine};
    std::deque<std::string> lines_;
};

// In the child: reads "\n"-terminated lines from `fd` (nothing at the end of
// input), and writes whole texts to `fd`.
std::function<std::optional<std::string>()> lineReader(int fd);
std::function<void(const std::string&)> fdWriter(int fd);

} // namespace vesk_host::web

#endif
