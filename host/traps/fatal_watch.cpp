// The fatal watch on POSIX: sigaction on the fatal signals (on an alternate
// stack, so a stack overflow is reported too), an atexit hook, and a
// watchdog thread. Everything a report needs is kept in fixed buffers.
#include "traps/fatal_watch.h"
#include "traps/fatal_moment.h"

#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/fixed_text.h"
#include "events/call_names.h"
#include "traps/signal_names.h"

namespace vesk_host::fatal {

namespace {

Sink sink = nullptr;
std::atomic<bool> armed{false};
std::atomic<bool> reporting{false};
// The host's calling thread, as the kernel numbers it (read in a signal handler).
std::atomic<long> hostThread{0};
double timeout = 0;
pid_t installedIn = 0;
Report report;

// The clock the host times its calls with.
long long nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long threadNumber() { return static_cast<long>(syscall(SYS_gettid)); }

const char* signalName(int number)
{
    const char* name = signalNameOrNull(number);
    return name ? name : "a fatal signal";
}

const char* signalMeaning(int number)
{
    switch (number) {
    case SIGSEGV: return "a segmentation fault: a read or write of memory it does not own";
    case SIGBUS: return "a bus error";
    case SIGABRT: return "an abort (abort(), a failed assertion, or the C library stopping a heap error)";
    case SIGFPE: return "an arithmetic fault (a division by zero)";
    case SIGILL: return "an illegal instruction";
    default: return "a fatal signal";
    }
}

// Hands the report to the sink once and ends the process.
[[noreturn]] void finish()
{
    if (sink)
        sink(report);
    _exit(1);
}

void onSignal(int number, siginfo_t* info, void*)
{
    const bool scriptThread = armed.load() && hostThread.load() != 0 && threadNumber() != hostThread.load();
    if (!armed.load() || (!moment::inScript() && !scriptThread)) {
        // Not inside a call into the script: not the script's doing. The
        // signal takes its ordinary course (the faulting instruction, run
        // again, meets the default action).
        struct sigaction ordinary {};
        ordinary.sa_handler = SIG_DFL;
        sigemptyset(&ordinary.sa_mask);
        sigaction(number, &ordinary, nullptr);
        if (number == SIGABRT || number == SIGTRAP || number == SIGSYS)
            raise(number);
        return;
    }
    if (reporting.exchange(true))
        _exit(1);
    report.signal = signalName(number);
    report.timedOut = false;
    const bool memory = number == SIGSEGV || number == SIGBUS;
    if (!memory || !info || !describeMemoryFault(report, info->si_addr, report.signal)) {
        char what[512];
        FixedText out(what, sizeof what);
        out.text("the script died of ");
        out.text(report.signal);
        out.text(", ");
        out.text(signalMeaning(number));
        if (scriptThread)
            out.text(", on a thread of the script's own (not the host's calling thread)");
        describe(report, &rule::scriptCrashed, what);
    }
    finish();
}

void onExit()
{
    // exit() outside a call into the script is the host's own ending.
    if (!armed.load() || !moment::inScript() || reporting.exchange(true))
        return;
    report.signal = nullptr;
    report.timedOut = false;
    describe(report, &rule::scriptEnded, "the script ended the process with exit()");
    finish();
}

void watch()
{
    for (;;) {
        struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
        if (!armed.load() || !pastTimeout(timeout, nowNanoseconds()))
            continue;
        if (reporting.exchange(true))
            return;
        describeTimeout(report, timeout);
        finish();
    }
}

} // namespace

bool available() { return true; }

void install(Sink reportTo, double timeoutSeconds)
{
    sink = reportTo;
    timeout = timeoutSeconds;
    if (installedIn == getpid())
        return;
    const bool first = installedIn == 0;
    installedIn = getpid();
    // Also in a forked child: its watchdog thread does not come along.
    if (first) {
        static char alternateStack[1 << 16];
        stack_t stack{};
        stack.ss_sp = alternateStack;
        stack.ss_size = sizeof alternateStack;
        sigaltstack(&stack, nullptr);
        reclaimSignals();
        std::atexit(onExit);
    }
    std::thread(watch).detach();
}

void reclaimSignals()
{
    struct sigaction action {};
    action.sa_sigaction = onSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL, SIGTRAP, SIGSYS})
        sigaction(number, &action, nullptr);
}

void arm()
{
    hostThread = threadNumber();
    armed = true;
}
void disarm() { armed = false; }

} // namespace vesk_host::fatal
