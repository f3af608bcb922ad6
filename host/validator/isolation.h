// Running one check in a child process with a watchdog, and the few other
// things the validator needs from the operating system. Everything that
// differs by platform lives behind this header: isolation_posix.cpp (fork,
// pipe, poll, waitpid; heap figures from the C library) and
// isolation_windows.cpp, where checks run in the validator's own process.
#ifndef VESK_HOST_VALIDATOR_ISOLATION_H
#define VESK_HOST_VALIDATOR_ISOLATION_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace vesk_host::validator {

// Where a child writes its records.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void write(const std::string& bytes) = 0;
};

struct ChildEnd {
    enum class How { exited, signalled, timedOut };
    How how = How::exited;
    int exitCode = 0;
    std::string signal;  // "SIGSEGV", ... when signalled
};

// Whether checks can run in child processes here.
bool childProcessesAvailable();
// Why not, for the report, when they cannot.
const char* childProcessesMissing();

// Runs `body` in a child process, handing each piece the child writes to
// `received` as it comes; `received` answers true once the child has said
// all it will say. The child is killed when it has not said so within
// `watchdogSeconds`, or has not ended within a grace period after. The
// child's standard output goes to standard error, so a script that prints
// cannot corrupt the validator's output.
ChildEnd runInChild(const std::function<void(RecordSink&)>& body, double watchdogSeconds,
                    const std::function<bool(const char*, std::size_t)>& received);

// Bytes of heap the process has in use now, when the platform tells.
std::optional<std::size_t> heapInUse();

// Where the heap figure comes from ("glibc mallinfo2", ...).
const char* heapSource();

} // namespace vesk_host::validator

#endif
