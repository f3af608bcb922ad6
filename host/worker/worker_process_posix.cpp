#include "worker/worker_process.h"

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

#include "base/write_all.h"
#include "traps/signal_names.h"

namespace vesk_host::worker {

namespace {

// Where the worker's channels sit: above 0 to 2, which a script may close or replace.
constexpr int downFd = 3;
constexpr int upFd = 4;

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

class PipeChannel final : public Channel {
public:
    PipeChannel(int down, int up) : down_(down), up_(up) {}
    bool write(const char* bytes, std::size_t size) override { return writeAll(up_, bytes, size); }
    std::size_t read(char* into, std::size_t size) override
    {
        for (;;) {
            const ssize_t got = ::read(down_, into, size);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                return 0;
        }
    }
    int upDescriptor() const override { return up_; }

private:
    int down_;
    int up_;
};

// Puts the worker's descriptors in place: the channels at 3 and 4, standard
// input reading nothing, standard output and error to `printed` (or left as
// the supervisor's standard error), and nothing else open.
void arrangeDescriptors(int down, int up, int printed, bool keepStandardError)
{
    // Moved above every descriptor placed below first, so that nothing overwrites them.
    const int high[3] = {::fcntl(down, F_DUPFD, 5), ::fcntl(up, F_DUPFD, 5), printed >= 0 ? ::fcntl(printed, F_DUPFD, 5) : -1};
    ::close(down);
    ::close(up);
    if (printed >= 0)
        ::close(printed);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0 && null != STDIN_FILENO) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    if (high[2] >= 0) {
        ::dup2(high[2], STDOUT_FILENO);
        if (!keepStandardError)
            ::dup2(high[2], STDERR_FILENO);
    } else {
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ::dup2(high[0], downFd);
    ::dup2(high[1], upFd);
    struct rlimit limit {};
    long highest = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        highest = static_cast<long>(limit.rlim_cur);
    if (highest > 65536)
        highest = 65536;
    for (int fd = 5; fd < highest; ++fd)
        ::close(fd);
}

[[noreturn]] void workerMain(int down, int up, int printed, const Launch& launch)
{
    arrangeDescriptors(down, up, printed, launch.keepStandardError);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    PipeChannel channel(downFd, upFd);
    int code = 3;
    try {
        code = launch.body(channel);
    } catch (const std::exception& error) {
        std::cerr << "vesk_host: the worker process stopped: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "vesk_host: the worker process stopped on an unknown exception\n";
    }
    std::fflush(nullptr);
    // No exit handlers: they belong to the supervisor, not to this copy of it.
    _exit(code);
}

} // namespace

struct WorkerProcess::State {
    pid_t pid = -1;
    int toWorker = -1;
    int fromWorker = -1;
    int printed = -1;
};

WorkerProcess::WorkerProcess() : state_(std::make_unique<State>()) {}

WorkerProcess::~WorkerProcess()
{
    if (started())
        kill();
}

bool WorkerProcess::byFork() { return true; }

bool WorkerProcess::started() const { return state_->pid > 0; }

Status WorkerProcess::start(const Launch& launch)
{
    if (started())
        return fail("the worker process is already running");
    if (!launch.body)
        return fail("nothing for the worker process to run");
    int down[2] = {-1, -1};
    int up[2] = {-1, -1};
    int printed[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int* pair : {down, up, printed})
            for (int i = 0; i < 2; ++i)
                closeFd(pair[i]);
    };
    if (::pipe(down) != 0 || ::pipe(up) != 0 || (launch.captureOutput && ::pipe(printed) != 0)) {
        closeAll();
        return fail("cannot make the pipes of a worker process");
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        closeAll();
        return fail("cannot start a worker process");
    }
    if (child == 0) {
        ::close(down[1]);
        ::close(up[0]);
        if (printed[0] >= 0)
            ::close(printed[0]);
        workerMain(down[0], up[1], printed[1], launch);
    }
    closeFd(down[0]);
    closeFd(up[1]);
    closeFd(printed[1]);
    // The supervisor's other workers must not inherit these ends.
    for (const int fd : {down[1], up[0], printed[0]})
        if (fd >= 0)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    state_->pid = child;
    state_->toWorker = down[1];
    state_->fromWorker = up[0];
    state_->printed = printed[0];
    return Done{};
}

bool WorkerProcess::send(std::string_view bytes)
{
    // SIGPIPE is ignored by whoever supervises workers; a gone worker fails the write.
    return state_->toWorker >= 0 && writeAll(state_->toWorker, bytes.data(), bytes.size());
}

void WorkerProcess::closeInput() { closeFd(state_->toWorker); }

WorkerProcess::Got WorkerProcess::receive(std::string& bytes, Clock::time_point deadline)
{
    char buffer[65536];
    for (;;) {
        if (state_->fromWorker < 0)
            return Got::ended;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Got::timedOut;
        pollfd watch[2] = {{state_->fromWorker, POLLIN, 0}, {state_->printed, POLLIN, 0}};
        const int ready = ::poll(watch, 2, static_cast<int>(left > 1000 ? 1000 : left));
        if (ready < 0 && errno != EINTR)
            return Got::ended;
        if (ready <= 0)
            continue;
        // What it printed first: the channel's end must not leave printed bytes unread.
        if (watch[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = ::read(state_->printed, buffer, sizeof buffer);
            if (got > 0) {
                bytes.assign(buffer, static_cast<std::size_t>(got));
                return Got::printed;
            }
            if (got == 0 || errno != EINTR)
                closeFd(state_->printed);
        }
        if (watch[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = ::read(state_->fromWorker, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                closeFd(state_->fromWorker);
                return Got::ended;
            }
            bytes.assign(buffer, static_cast<std::size_t>(got));
            return Got::channel;
        }
    }
}

WorkerEnd WorkerProcess::kill()
{
    if (!started())
        return {};
    ::kill(state_->pid, SIGKILL);
    closeFd(state_->toWorker);
    closeFd(state_->fromWorker);
    closeFd(state_->printed);
    while (::waitpid(state_->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    state_->pid = -1;
    WorkerEnd end;
    end.how = WorkerEnd::How::killed;
    return end;
}

WorkerEnd WorkerProcess::wait(std::string* printed)
{
    if (!started())
        return {};
    closeFd(state_->toWorker);
    closeFd(state_->fromWorker);
    // Its output is read while it ends, so that it never blocks on a full
    // pipe; once it has ended, only what is already there (a copy of it
    // made by fork() may hold the pipe open).
    char buffer[65536];
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(state_->pid, &status, WNOHANG)) == 0 || (ended < 0 && errno == EINTR)) {
        pollfd watch{state_->printed, POLLIN, 0};
        if (::poll(&watch, 1, 50) > 0) {
            const ssize_t got = ::read(state_->printed, buffer, sizeof buffer);
            if (got > 0 && printed)
                printed->append(buffer, static_cast<std::size_t>(got));
            else if (got == 0 || (got < 0 && errno != EINTR))
                closeFd(state_->printed);
        }
    }
    if (state_->printed >= 0) {
        ::fcntl(state_->printed, F_SETFL, ::fcntl(state_->printed, F_GETFL) | O_NONBLOCK);
        for (ssize_t got; (got = ::read(state_->printed, buffer, sizeof buffer)) > 0;)
            if (printed)
                printed->append(buffer, static_cast<std::size_t>(got));
    }
    closeFd(state_->printed);
    state_->pid = -1;
    WorkerEnd end;
    if (WIFSIGNALED(status)) {
        end.how = WorkerEnd::How::signalled;
        end.signal = signalName(WTERMSIG(status));
    } else {
        end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return end;
}

std::unique_ptr<Channel> takeChannels()
{
    // As a worker started as this program again would: standard input and
    // output become the channels, output goes to standard error from now on.
    std::fflush(stdout);
    const int down = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    const int up = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    signal(SIGPIPE, SIG_IGN);
    return std::make_unique<PipeChannel>(down, up);
}

} // namespace vesk_host::worker
