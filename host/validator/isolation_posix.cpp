#include "validator/isolation.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "base/write_all.h"
#include "traps/signal_names.h"

#if defined(__SANITIZE_ADDRESS__)
#define VESK_HOST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_HOST_ASAN 1
#endif
#endif

#if defined(VESK_HOST_ASAN)
// The sanitizer runtime's count of bytes allocated and not freed; declared
// here as not every compiler ships <sanitizer/allocator_interface.h>.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vesk_host::validator {

namespace {

class PipeSink final : public RecordSink {
public:
    explicit PipeSink(int fd) : fd_(fd) {}
    int descriptor() const override { return fd_; }
    void write(const std::string& bytes) override
    {
        // A failed write means the validator is gone; nothing left to tell.
        writeAll(fd_, bytes.data(), bytes.size());
    }

private:
    int fd_;
};

[[noreturn]] void childMain(int fd, int output, const std::function<void(RecordSink&)>& body)
{
    // Standard input reads nothing, whatever the validator's was; what the
    // script or the C library prints goes to the validator, for the report.
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0) {
        dup2(nothing, STDIN_FILENO);
        close(nothing);
    }
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    close(output);
    signal(SIGPIPE, SIG_IGN);
    PipeSink sink(fd);
    int code = 0;
    try {
        body(sink);
    } catch (const std::exception& error) {
        std::cerr << "vesk_host validate: a check stopped: " << error.what() << "\n";
        code = 3;
    } catch (...) {
        code = 3;
    }
    std::fflush(nullptr);
    // No exit handlers: they belong to the validator, not to this copy of it.
    _exit(code);
}

// Keeps the last `limit` bytes of what a child printed.
void keepTail(std::string& kept, const char* bytes, std::size_t size, std::size_t limit)
{
    kept.append(bytes, size);
    if (kept.size() > limit)
        kept.erase(0, kept.size() - limit);
}

} // namespace

bool childProcessesAvailable() { return true; }

bool childrenByFork() { return true; }

ChildEnd runProgramChild(const std::vector<std::string>&, double, const std::function<bool(const char*, std::size_t)>&)
{
    throw std::logic_error("children are made by fork() here");
}

std::unique_ptr<RecordSink> takeParentChannel()
{
    std::fflush(stdout);
    const int channel = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    signal(SIGPIPE, SIG_IGN);
    return std::make_unique<PipeSink>(channel);
}

const char* childProcessesMissing() { return ""; }

ChildEnd runInChild(const std::function<void(RecordSink&)>& body, double watchdogSeconds,
                    const std::function<bool(const char*, std::size_t)>& received)
{
    int fds[2];
    int printed[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("cannot make a pipe for a check's child process");
    if (pipe(printed) != 0) {
        close(fds[0]);
        close(fds[1]);
        throw std::runtime_error("cannot make a pipe for a check's child process");
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        for (const int fd : {fds[0], fds[1], printed[0], printed[1]})
            close(fd);
        throw std::runtime_error("cannot start a child process for a check");
    }
    if (child == 0) {
        close(fds[0]);
        close(printed[0]);
        childMain(fds[1], printed[1], body);
    }
    close(fds[1]);
    close(printed[1]);

    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(watchdogSeconds));
    // Once the child has said everything, it only has to end: under a
    // memory checker that can take a while, and it no longer counts.
    constexpr auto grace = std::chrono::seconds(60);
    constexpr std::size_t keptOutput = 8192;
    bool said = false;
    bool timedOut = false;
    bool recordsOpen = true;
    bool printedOpen = true;
    ChildEnd end;
    char buffer[65536];
    while (recordsOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd watch[2] = {{fds[0], POLLIN, 0}, {printedOpen ? printed[0] : -1, POLLIN, 0}};
        const int ready = poll(watch, 2, static_cast<int>(left > 60000 ? 60000 : left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        if (printedOpen && (watch[1].revents & (POLLIN | POLLHUP))) {
            const ssize_t got = read(printed[0], buffer, sizeof buffer);
            if (got > 0)
                keepTail(end.output, buffer, static_cast<std::size_t>(got), keptOutput);
            else if (got == 0 || errno != EINTR)
                printedOpen = false;
        }
        if (watch[0].revents & (POLLIN | POLLHUP)) {
            const ssize_t got = read(fds[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                recordsOpen = false;  // the child closed its end: it has ended
                continue;
            }
            if (received(buffer, static_cast<std::size_t>(got)) && !said) {
                said = true;
                deadline = Clock::now() + grace;
            }
        }
    }
    close(fds[0]);
    if (timedOut)
        kill(child, SIGKILL);
    timedOut = timedOut && !said;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // What it printed last, now that it can print no more.
    for (ssize_t got; printedOpen && (got = read(printed[0], buffer, sizeof buffer)) > 0;)
        keepTail(end.output, buffer, static_cast<std::size_t>(got), keptOutput);
    close(printed[0]);
    if (timedOut) {
        end.how = ChildEnd::How::timedOut;
    } else if (WIFSIGNALED(status)) {
        end.how = ChildEnd::How::signalled;
        end.signal = signalName(WTERMSIG(status));
    } else {
        end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return end;
}

std::optional<std::size_t> heapInUse()
{
#if defined(VESK_HOST_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 info = mallinfo2();
    const std::size_t inUse = info.uordblks + info.hblkhd;
    // Nothing at all in use means another allocator stands in (valgrind's) and glibc's figures are idle.
    if (inUse == 0)
        return std::nullopt;
    return inUse;
#else
    return std::nullopt;
#endif
}

const char* heapSource()
{
#if defined(VESK_HOST_ASAN)
    return "AddressSanitizer's allocated bytes";
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    return "glibc mallinfo2";
#else
    return "nothing on this platform";
#endif
}

} // namespace vesk_host::validator
