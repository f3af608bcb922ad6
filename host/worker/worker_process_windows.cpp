// Windows has no fork(): a worker is this program started again in its
// hidden worker mode, with the launch's arguments. Its standard input is
// the downward channel, its standard output the upward one, and its
// standard error the pipe of what it prints (or ours); takeChannels() moves
// the channels aside in the worker. A crash ends it at once with the
// exception code as its exit code.
#include "worker/worker_process.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "traps/exception_names.h"

namespace vesk_host::worker {

namespace {

// A handle closed when it goes out of scope.
struct Owned {
    HANDLE handle = nullptr;
    Owned() = default;
    explicit Owned(HANDLE value) : handle(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }
    void reset(HANDLE value = nullptr)
    {
        if (handle)
            CloseHandle(handle);
        handle = value;
    }
    HANDLE release()
    {
        HANDLE kept = handle;
        handle = nullptr;
        return kept;
    }
};

class HandleChannel final : public Channel {
public:
    HandleChannel(HANDLE down, HANDLE up) : down_(down), up_(up)
    {
        // A descriptor of its own on the upward pipe, for the fatal watch's
        // report, which is written with the C runtime's _write.
        HANDLE copy = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), up, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            upDescriptor_ = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_BINARY | _O_WRONLY);
            if (upDescriptor_ < 0)
                CloseHandle(copy);
        }
    }
    int upDescriptor() const override { return upDescriptor_; }
    bool write(const char* bytes, std::size_t size) override
    {
        std::size_t done = 0;
        while (done < size) {
            DWORD written = 0;
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - done, 1 << 20));
            if (!WriteFile(up_.handle, bytes + done, piece, &written, nullptr) || written == 0)
                return false;  // the supervisor is gone
            done += written;
        }
        return true;
    }
    std::size_t read(char* into, std::size_t size) override
    {
        DWORD got = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
        if (!ReadFile(down_.handle, into, piece, &got, nullptr))
            return 0;
        return got;
    }

private:
    Owned down_;
    Owned up_;
    int upDescriptor_ = -1;
};

LONG WINAPI endOnCrash(EXCEPTION_POINTERS* info)
{
    // No debugger, no dialog: the supervisor reads the exception code as the exit code.
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
    char name[64];
    writeExceptionName(code, name, sizeof name);
    return name;
}

HANDLE inheritableCopy(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (!handle || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

// Bytes waiting in a pipe; -1 when it is broken (the writer has ended and all is read).
long waiting(HANDLE pipe)
{
    DWORD available = 0;
    if (!pipe || !PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
        return -1;
    return static_cast<long>(available);
}

} // namespace

struct WorkerProcess::State {
    Owned process;
    Owned toWorker;
    Owned fromWorker;
    Owned printed;
};

WorkerProcess::WorkerProcess() : state_(std::make_unique<State>()) {}

WorkerProcess::~WorkerProcess()
{
    if (started())
        kill();
}

bool WorkerProcess::byFork() { return false; }

bool WorkerProcess::started() const { return state_->process.handle != nullptr; }

Status WorkerProcess::start(const Launch& launch)
{
    if (started())
        return fail("the worker process is already running");
    char program[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return fail("cannot find this program's own file to start a worker process");
    std::string line;
    appendQuoted(line, program);
    for (const auto& argument : launch.arguments)
        appendQuoted(line, argument);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE ends[6] = {};
    if (!CreatePipe(&ends[0], &ends[1], &inherit, 1 << 16) || !CreatePipe(&ends[2], &ends[3], &inherit, 1 << 16) ||
        (launch.captureOutput && !CreatePipe(&ends[4], &ends[5], &inherit, 1 << 16))) {
        for (HANDLE end : ends)
            if (end)
                CloseHandle(end);
        return fail("cannot make the pipes of a worker process");
    }
    Owned downRead(ends[0]), downWrite(ends[1]), upRead(ends[2]), upWrite(ends[3]), printedRead(ends[4]),
        printedWrite(ends[5]);
    // The supervisor's ends stay here.
    for (HANDLE end : {downWrite.handle, upRead.handle, printedRead.handle})
        if (end)
            SetHandleInformation(end, HANDLE_FLAG_INHERIT, 0);
    Owned errors(launch.captureOutput ? nullptr : inheritableCopy(GetStdHandle(STD_ERROR_HANDLE)));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = downRead.handle;
    startup.hStdOutput = upWrite.handle;
    startup.hStdError = launch.captureOutput ? printedWrite.handle : errors.handle;
    PROCESS_INFORMATION made{};
    std::fflush(nullptr);
    if (!CreateProcessA(program, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &made))
        return fail("cannot start a worker process: Windows error " + std::to_string(GetLastError()));
    CloseHandle(made.hThread);
    state_->process.reset(made.hProcess);
    state_->toWorker.reset(downWrite.release());
    state_->fromWorker.reset(upRead.release());
    state_->printed.reset(printedRead.release());
    // Only the worker holds its ends now: a pipe breaks when it ends.
    return Done{};
}

bool WorkerProcess::send(std::string_view bytes)
{
    std::size_t done = 0;
    while (state_->toWorker.handle && done < bytes.size()) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(state_->toWorker.handle, bytes.data() + done, piece, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return state_->toWorker.handle != nullptr;
}

void WorkerProcess::closeInput() { state_->toWorker.reset(); }

WorkerProcess::Got WorkerProcess::receive(std::string& bytes, Clock::time_point deadline)
{
    static char buffer[65536];
    for (;;) {
        if (!state_->fromWorker.handle)
            return Got::ended;
        const long printed = waiting(state_->printed.handle);
        if (printed > 0) {
            DWORD got = 0;
            if (ReadFile(state_->printed.handle, buffer, std::min<DWORD>(printed, sizeof buffer), &got, nullptr) &&
                got > 0) {
                bytes.assign(buffer, got);
                return Got::printed;
            }
        } else if (printed < 0) {
            state_->printed.reset();
        }
        const long available = waiting(state_->fromWorker.handle);
        if (available < 0) {
            state_->fromWorker.reset();
            return Got::ended;
        }
        if (available > 0) {
            DWORD got = 0;
            if (!ReadFile(state_->fromWorker.handle, buffer, std::min<DWORD>(available, sizeof buffer), &got,
                          nullptr) ||
                got == 0) {
                state_->fromWorker.reset();
                return Got::ended;
            }
            bytes.assign(buffer, got);
            return Got::channel;
        }
        if (Clock::now() >= deadline)
            return Got::timedOut;
        WaitForSingleObject(state_->process.handle, 5);
    }
}

WorkerEnd WorkerProcess::kill()
{
    if (!started())
        return {};
    TerminateProcess(state_->process.handle, 1);
    WaitForSingleObject(state_->process.handle, INFINITE);
    state_->toWorker.reset();
    state_->fromWorker.reset();
    state_->printed.reset();
    state_->process.reset();
    WorkerEnd end;
    end.how = WorkerEnd::How::killed;
    return end;
}

WorkerEnd WorkerProcess::wait(std::string* printed)
{
    if (!started())
        return {};
    state_->toWorker.reset();
    state_->fromWorker.reset();
    static char buffer[65536];
    // What it prints while it ends is read, so that it never blocks on a full pipe.
    while (WaitForSingleObject(state_->process.handle, 5) == WAIT_TIMEOUT) {
        const long available = waiting(state_->printed.handle);
        DWORD got = 0;
        if (available > 0 &&
            ReadFile(state_->printed.handle, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) && printed)
            printed->append(buffer, got);
    }
    for (long available; (available = waiting(state_->printed.handle)) > 0;) {
        DWORD got = 0;
        if (!ReadFile(state_->printed.handle, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr))
            break;
        if (printed)
            printed->append(buffer, got);
    }
    DWORD code = 0;
    GetExitCodeProcess(state_->process.handle, &code);
    state_->printed.reset();
    state_->process.reset();
    WorkerEnd end;
    if (isExceptionCode(code)) {
        end.how = WorkerEnd::How::signalled;
        end.signal = exceptionName(code);
    } else {
        end.exitCode = static_cast<int>(code);
    }
    return end;
}

std::unique_ptr<Channel> takeChannels()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endOnCrash);
    HANDLE down = nullptr;
    HANDLE up = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(), &down, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &up, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    // What the worker or the script prints goes where its diagnostics go; its input reads nothing.
    std::fflush(stdout);
    _dup2(_fileno(stderr), _fileno(stdout));
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    const int nothing = _open("NUL", _O_RDONLY);
    if (nothing >= 0) {
        _dup2(nothing, _fileno(stdin));
        _close(nothing);
    }
    SetStdHandle(STD_INPUT_HANDLE, CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    return std::make_unique<HandleChannel>(down, up);
}

} // namespace vesk_host::worker
