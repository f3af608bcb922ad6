// Windows has no fork(): a check's child is this program started again in
// its hidden child mode (runProgramChild), with the check's id and all it
// needs on the command line. The child's standard output is a pipe, its
// channel of records; its standard input reads nothing; its standard error
// is ours. A crash ends it at once with the exception code as exit code.
#include "validator/isolation.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace vesk_host::validator {

namespace {

class HandleSink final : public RecordSink {
public:
    explicit HandleSink(HANDLE handle) : handle_(handle) {}
    void write(const std::string& bytes) override
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
            if (!WriteFile(handle_, bytes.data() + done, size, &written, nullptr) || written == 0)
                return;  // the validator is gone; nothing left to tell
            done += written;
        }
    }

private:
    HANDLE handle_;
};

// A handle closed when it goes out of scope.
struct Owned {
    HANDLE handle = nullptr;
    Owned() = default;
    explicit Owned(HANDLE value) : handle(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }
    void reset()
    {
        if (handle)
            CloseHandle(handle);
        handle = nullptr;
    }
};

LONG WINAPI endOnCrash(EXCEPTION_POINTERS* info)
{
    // No debugger, no dialog: the parent reads the exception code as the exit code.
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// An argument as the C runtime's command-line parser reads it back.
void appendQuoted(std::string& line, const std::string& argument)
{
    if (!line.empty())
        line += ' ';
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += argument;
        return;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}

std::string exceptionName(DWORD code)
{
    struct Name {
        DWORD code;
        const char* name;
    };
    static const Name names[] = {
        {0xC0000005, "access violation"},
        {0xC00000FD, "stack overflow"},
        {0xC0000094, "integer division by zero"},
        {0xC0000095, "integer overflow"},
        {0xC000001D, "illegal instruction"},
        {0xC0000096, "privileged instruction"},
        {0xC0000006, "in-page error"},
        {0xC0000008, "invalid handle"},
        {0xC0000374, "heap corruption"},
        {0xC0000409, "stack buffer overrun"},
        {0xC000008C, "array bounds exceeded"},
        {0xC000008E, "floating-point division by zero"},
        {0xC0000090, "invalid floating-point operation"},
        {0x80000003, "breakpoint"},
        {0x80000004, "single step"},
        {0x80000002, "misaligned data"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
    for (const Name& name : names)
        if (name.code == code)
            return std::string(name.name) + " " + hex;
    return std::string("exception ") + hex;
}

// Exit codes that are exception codes (errors, or the two debug warnings).
bool isException(DWORD code) { return code >= 0xC0000000 || (code >= 0x80000001 && code <= 0x80000004); }

HANDLE inheritableCopy(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (!handle || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

} // namespace

bool childProcessesAvailable() { return true; }

const char* childProcessesMissing() { return ""; }

bool childrenByFork() { return false; }

ChildEnd runInChild(const std::function<void(RecordSink&)>&, double, const std::function<bool(const char*, std::size_t)>&)
{
    throw std::logic_error("no fork() on Windows: children are started with runProgramChild");
}

ChildEnd runProgramChild(const std::vector<std::string>& arguments, double watchdogSeconds,
                         const std::function<bool(const char*, std::size_t)>& received)
{
    char program[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        throw std::runtime_error("cannot find this program's own file to start a check's child process");
    std::string line;
    appendQuoted(line, program);
    for (const auto& argument : arguments)
        appendQuoted(line, argument);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16))
        throw std::runtime_error("cannot make a pipe for a check's child process");
    Owned reading(readEnd);
    Owned writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    Owned nothing(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr));
    Owned errors(inheritableCopy(GetStdHandle(STD_ERROR_HANDLE)));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.handle;
    startup.hStdOutput = writing.handle;
    startup.hStdError = errors.handle ? errors.handle : nothing.handle;
    PROCESS_INFORMATION started{};
    std::fflush(nullptr);
    if (!CreateProcessA(program, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
        throw std::runtime_error("cannot start a child process for a check: Windows error " +
                                 std::to_string(GetLastError()));
    Owned process(started.hProcess);
    CloseHandle(started.hThread);
    // Only the child holds the write end now: the pipe breaks when it ends.
    writing.reset();
    nothing.reset();
    errors.reset();

    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(watchdogSeconds));
    constexpr auto grace = std::chrono::seconds(60);
    bool said = false;
    bool timedOut = false;
    static char buffer[65536];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(reading.handle, nullptr, 0, nullptr, &available, nullptr))
            break;  // broken: the child has ended and everything it wrote is read
        if (available > 0) {
            DWORD got = 0;
            if (!ReadFile(reading.handle, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) ||
                got == 0)
                break;
            if (received(buffer, got) && !said) {
                said = true;
                deadline = Clock::now() + grace;
            }
            continue;
        }
        if (Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        WaitForSingleObject(process.handle, 5);
    }
    if (timedOut)
        TerminateProcess(process.handle, 1);
    WaitForSingleObject(process.handle, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.handle, &code);
    ChildEnd end;
    if (timedOut && !said) {
        end.how = ChildEnd::How::timedOut;
    } else if (isException(code)) {
        end.how = ChildEnd::How::signalled;
        end.signal = exceptionName(code);
    } else {
        end.exitCode = static_cast<int>(code);
    }
    return end;
}

std::unique_ptr<RecordSink> takeParentChannel()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endOnCrash);
    HANDLE channel = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &channel, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    // What the script or the checks print goes where the validator's diagnostics go.
    std::fflush(stdout);
    _dup2(_fileno(stderr), _fileno(stdout));
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    return std::make_unique<HandleSink>(channel);
}

std::optional<std::size_t> heapInUse()
{
    // Every heap of the process: the C runtime's (which the script's msvcrt.dll
    // shares) and the process heap, walked block by block.
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    if (count == 0 || count > heaps.size())
        return std::nullopt;
    std::size_t inUse = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i]))
            return std::nullopt;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                inUse += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return inUse;
}

const char* heapSource() { return "HeapWalk over the process's heaps"; }

} // namespace vesk_host::validator
