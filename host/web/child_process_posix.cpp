#include "web/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>

#include "base/write_all.h"
#include "traps/signal_names.h"

namespace vesk_host::web {

namespace {

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

[[noreturn]] void childMain(int in, int out, const std::function<int(int, int)>& body)
{
    // Only what the child needs stays open: 0 (null), 1 and 2 (standard
    // error), and the pipes at 3 and 4. The pipe ends are first moved above
    // 4, wherever they were, so that nothing below overwrites them.
    const int high[2] = {::fcntl(in, F_DUPFD, 5), ::fcntl(out, F_DUPFD, 5)};
    ::close(in);
    ::close(out);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0 && null != STDIN_FILENO) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    ::dup2(high[0], 3);
    ::dup2(high[1], 4);
    in = 3;
    out = 4;
    struct rlimit limit {};
    long highest = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        highest = static_cast<long>(limit.rlim_cur);
    if (highest > 65536)
        highest = 65536;
    for (int fd = 5; fd < highest; ++fd)
        ::close(fd);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    int code = 3;
    try {
        code = body(in, out);
    } catch (const std::exception& error) {
        std::cerr << "vesk_host serve: the script's process stopped: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "vesk_host serve: the script's process stopped on an unknown exception\n";
    }
    std::fflush(nullptr);
    // No exit handlers: they belong to the server, not to this copy of it.
    _exit(code);
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (started())
        kill();
}

Status ChildProcess::start(const std::function<int(int, int)>& body)
{
    if (started())
        return fail("the script's process is already running");
    int down[2];
    int up[2];
    if (::pipe(down) != 0)
        return fail("cannot make a pipe for the script's process");
    if (::pipe(up) != 0) {
        ::close(down[0]);
        ::close(down[1]);
        return fail("cannot make a pipe for the script's process");
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        for (int fd : {down[0], down[1], up[0], up[1]})
            ::close(fd);
        return fail("cannot start the script's process");
    }
    if (child == 0) {
        ::close(down[1]);
        ::close(up[0]);
        childMain(down[0], up[1], body);
    }
    ::close(down[0]);
    ::close(up[1]);
    // The server's other children must not inherit these ends.
    ::fcntl(down[1], F_SETFD, FD_CLOEXEC);
    ::fcntl(up[0], F_SETFD, FD_CLOEXEC);
    pid_ = child;
    toChild_ = down[1];
    fromChild_ = up[0];
    splitter_ = LineSplitter(maxLine);
    lines_.clear();
    return Done{};
}

bool ChildProcess::send(const std::string& line)
{
    if (toChild_ < 0)
        return false;
    // MSG_NOSIGNAL exists only for sockets; SIGPIPE is ignored by the server instead.
    const std::string bytes = line + "\n";
    return writeAll(toChild_, bytes.data(), bytes.size());
}

ChildProcess::Read ChildProcess::readLine(std::string& line, std::chrono::steady_clock::time_point deadline)
{
    using Clock = std::chrono::steady_clock;
    std::vector<std::string> complete;
    char buffer[65536];
    for (;;) {
        if (!lines_.empty()) {
            line = std::move(lines_.front());
            lines_.pop_front();
            return Read::line;
        }
        if (splitter_.overlong())
            return Read::garbled;
        if (fromChild_ < 0)
            return Read::ended;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Read::timedOut;
        pollfd watch{fromChild_, POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left > 1000 ? 1000 : left));
        if (ready < 0 && errno != EINTR)
            return Read::ended;
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(fromChild_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            closeFd(fromChild_);
            continue;
        }
        complete.clear();
        splitter_.feed(buffer, static_cast<std::size_t>(got), complete);
        for (std::string& piece : complete)
            lines_.push_back(std::move(piece));
    }
}

void ChildProcess::closePipes()
{
    closeFd(toChild_);
    closeFd(fromChild_);
}

ChildEnd ChildProcess::reap()
{
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    ChildEnd end;
    if (WIFSIGNALED(status)) {
        end.how = ChildEnd::How::signalled;
        end.signal = signalName(WTERMSIG(status));
    } else {
        end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return end;
}

ChildEnd ChildProcess::kill()
{
    if (!started())
        return {};
    ::kill(pid_, SIGKILL);
    closePipes();
    return reap();
}

ChildEnd ChildProcess::wait()
{
    if (!started())
        return {};
    closePipes();
    return reap();
}

std::function<std::optional<std::string>()> lineReader(int fd)
{
    auto splitter = std::make_shared<LineSplitter>(ChildProcess::maxLine);
    auto lines = std::make_shared<std::deque<std::string>>();
    return [fd, splitter, lines]() -> std::optional<std::string> {
        char buffer[4096];
        std::vector<std::string> complete;
        while (lines->empty()) {
            if (splitter->overlong())
                return std::nullopt;
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return std::nullopt;
            complete.clear();
            splitter->feed(buffer, static_cast<std::size_t>(got), complete);
            for (std::string& piece : complete)
                lines->push_back(std::move(piece));
        }
        std::string line = std::move(lines->front());
        lines->pop_front();
        return line;
    };
}

std::function<void(const std::string&)> fdWriter(int fd)
{
    // A failed write means the server is gone; nothing left to tell.
    return [fd](const std::string& bytes) { writeAll(fd, bytes.data(), bytes.size()); };
}

} // namespace vesk_host::web
