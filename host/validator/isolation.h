// Running one check in a child process with a watchdog, and the few other
// things the validator needs from the operating system. Everything that
// differs by platform lives behind this header: isolation_posix.cpp (fork,
// pipe, poll, waitpid; heap figures from the C library) and
// isolation_windows.cpp (this program started again in a hidden child mode,
// CreateProcess, a pipe, TerminateProcess; heap figures from HeapWalk).
#ifndef VESK_HOST_VALIDATOR_ISOLATION_H
#define VESK_HOST_VALIDATOR_ISOLATION_H

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk_host::validator {

// Where a child writes its records.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void write(const std::string& bytes) = 0;
    // The file descriptor it writes to, for a report written from a signal
    // handler; -1 when it writes elsewhere.
    virtual int descriptor() const { return -1; }
};

struct ChildEnd {
    enum class How { exited, signalled, timedOut };
    How how = How::exited;
    int exitCode = 0;
    std::string signal;  // "SIGSEGV", "access violation 0xC0000005", ... when signalled
    std::string output;  // the last of what it printed (standard output and error), where captured
};

// Whether checks can run in child processes here.
bool childProcessesAvailable();
// Why not, for the report, when they cannot.
const char* childProcessesMissing();

// Runs `body` in a child process, handing each piece the child writes to
// `received` as it comes; `received` answers true once the child has said
// all it will say. The child is killed when it has not said so within
// `watchdogSeconds`, or has not ended within a grace period after. The
// child's standard input reads nothing; what it prints (the script, the C
// library, a sanitizer) is kept in ChildEnd::output, never mixed into the
// validator's own output.
ChildEnd runInChild(const std::function<void(RecordSink&)>& body, double watchdogSeconds,
                    const std::function<bool(const char*, std::size_t)>& received);

// Whether runInChild (fork) makes the children; where not (Windows), they
// are this program started again: runProgramChild.
bool childrenByFork();

// Starts this program again with `arguments` (its hidden child mode) and
// reads its records as runInChild does, with the same watchdog. The child's
// standard input reads nothing; its crash is reported with the exception
// code ("access violation 0xC0000005").
ChildEnd runProgramChild(const std::vector<std::string>& arguments, double watchdogSeconds,
                         const std::function<bool(const char*, std::size_t)>& received);

// In a child started by runProgramChild: the channel to the parent, taken
// over from standard output, which goes to standard error from then on. A
// crash from then on ends the process at once, with no debugger or dialog.
std::unique_ptr<RecordSink> takeParentChannel();

// Bytes of heap the process has in use now, when the platform tells.
std::optional<std::size_t> heapInUse();

// Where the heap figure comes from ("glibc mallinfo2", ...).
const char* heapSource();

} // namespace vesk_host::validator

#endif
