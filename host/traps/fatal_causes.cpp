// The causes a fatal watch names the same way on every platform: a fault
// inside the host's guarded texts or closed records, and a call that runs
// past its time-out. Built in fixed buffers, for a signal handler, an
// exception handler or the watchdog's thread.
#include "traps/fatal_moment.h"

#include "base/fixed_text.h"
#include "events/rules.h"
#include "traps/record_arena.h"
#include "traps/reply_memory.h"

namespace vesk_host::fatal {

bool describeMemoryFault(Report& report, const void* address, const char* cause)
{
    char label[200];
    char what[512];
    FixedText out(what, sizeof what);
    const FaultKind fault = describeFault(address, label, sizeof label);
    if (fault == FaultKind::none && recordFault(address, label, sizeof label)) {
        out.text("the script read the record of ");
        out.text(label);
        out.text(" after the call that delivered it had returned (");
        out.text(cause);
        out.text(")");
        describe(report, &rule::recordKept, what);
    } else if (fault == FaultKind::afterRelease) {
        out.text("the script read the host's reply to ");
        out.text(label);
        out.text(" after handing it back (");
        out.text(cause);
        out.text(")");
        describe(report, &rule::readAfterRelease, what);
    } else if (fault == FaultKind::pastEnd) {
        out.text("the script read past the end of the host's reply to ");
        out.text(label);
        out.text(" (its NUL is the last byte the host gave; ");
        out.text(cause);
        out.text(")");
        describe(report, &rule::readPastEnd, what);
    } else {
        return false;
    }
    return true;
}

bool pastTimeout(double timeoutSeconds, long long now)
{
    const long long started = moment::callStart();
    return started != 0 && timeoutSeconds > 0 && static_cast<double>(now - started) >= timeoutSeconds * 1e9;
}

void describeTimeout(Report& report, double timeoutSeconds)
{
    report.signal = nullptr;
    report.timedOut = true;
    char what[128];
    FixedText out(what, sizeof what);
    out.text("the script did not return within ");
    out.number(static_cast<long long>(timeoutSeconds));
    out.text(" s (hung, or far too slow)");
    describe(report, &rule::callTimeout, what);
}

} // namespace vesk_host::fatal
