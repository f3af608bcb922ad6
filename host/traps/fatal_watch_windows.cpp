// The fatal watch on Windows. A vectored exception handler sees a fault
// inside the host's guarded texts or closed records first, before any
// handler of the script's, and names it (nothing may handle a read of
// memory the host closed). Any other exception that nothing handles comes
// to the unhandled-exception filter, which names it as the script's crash
// when it came inside a call into the script or on a thread of the
// script's own; outside those it goes on to the filter that was there (the
// worker's, which ends the process with the exception code). The script's
// exit(), _exit() and ExitProcess() come through the exit hooks
// (script_modules_windows.cpp), and a watchdog thread times each call.
// Reports are built in fixed buffers; after one the process ends with
// exit code 1.
#include "traps/fatal_watch.h"
#include "traps/fatal_moment.h"
#include "traps/fatal_exit.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/fixed_text.h"
#include "traps/exception_names.h"

namespace vesk_host::fatal {

namespace {

Sink sink = nullptr;
std::atomic<bool> armed{false};
std::atomic<bool> reporting{false};
std::atomic<DWORD> hostThread{0};
std::atomic<double> timeout{0};
bool installed = false;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
Report report;

long long nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void finish()
{
    if (sink)
        sink(report);
    TerminateProcess(GetCurrentProcess(), 1);
    for (;;)
        Sleep(INFINITE);
}

bool onScriptThread() { return hostThread.load() != 0 && GetCurrentThreadId() != hostThread.load(); }

bool scriptsDoing() { return armed.load() && (moment::inScript() || onScriptThread()); }

LONG CALLBACK firstChance(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2 || !scriptsDoing())
        return EXCEPTION_CONTINUE_SEARCH;
    static char cause[64];
    writeExceptionName(record->ExceptionCode, cause, sizeof cause);
    const void* address = reinterpret_cast<const void*>(record->ExceptionInformation[1]);
    Report found;
    if (!describeMemoryFault(found, address, cause))
        return EXCEPTION_CONTINUE_SEARCH;
    if (reporting.exchange(true))
        TerminateProcess(GetCurrentProcess(), 1);
    report = found;
    report.signal = cause;
    report.timedOut = false;
    finish();
}

LONG WINAPI unhandled(EXCEPTION_POINTERS* exception)
{
    if (!scriptsDoing())
        return previousFilter ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
    if (reporting.exchange(true))
        TerminateProcess(GetCurrentProcess(), 1);
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    static char name[64];
    writeExceptionName(code, name, sizeof name);
    report.signal = name;
    report.timedOut = false;
    char what[512];
    FixedText out(what, sizeof what);
    out.text("the script died of ");
    out.text(name);
    out.text(", ");
    out.text(exceptionMeaning(code));
    if (onScriptThread())
        out.text(", on a thread of the script's own (not the host's calling thread)");
    describe(report, &rule::scriptCrashed, what);
    finish();
}

void watch()
{
    for (;;) {
        Sleep(20);
        if (!armed.load() || !pastTimeout(timeout.load(), nowNanoseconds()))
            continue;
        if (reporting.exchange(true))
            return;
        describeTimeout(report, timeout.load());
        finish();
    }
}

} // namespace

bool available() { return true; }

void install(Sink reportTo, double timeoutSeconds)
{
    sink = reportTo;
    timeout = timeoutSeconds;
    if (installed)
        return;
    installed = true;
    AddVectoredExceptionHandler(1, firstChance);
    previousFilter = SetUnhandledExceptionFilter(unhandled);
    std::thread(watch).detach();
}

void reclaimSignals()
{
    if (installed)
        SetUnhandledExceptionFilter(unhandled);
}

void arm()
{
    hostThread = GetCurrentThreadId();
    armed = true;
}

void disarm() { armed = false; }

void exitCalled(const char* how)
{
    if (!scriptsDoing() || reporting.exchange(true))
        return;
    report.signal = nullptr;
    report.timedOut = false;
    char what[128];
    FixedText out(what, sizeof what);
    out.text("the script ended the process with ");
    out.text(how);
    describe(report, &rule::scriptEnded, what);
    finish();
}

void abortCalled()
{
    if (!scriptsDoing() || reporting.exchange(true))
        return;
    report.signal = "abort()";
    report.timedOut = false;
    describe(report, &rule::scriptCrashed,
             "the script died of abort(): an abort (abort(), a failed assertion, or the C runtime stopping a heap error)");
    finish();
}

} // namespace vesk_host::fatal
