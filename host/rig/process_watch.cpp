#include "rig/process_watch.h"

#include <signal.h>

#include <cstdlib>

#include "events/call_names.h"
#include "traps/fatal_watch.h"
#include "traps/process_watch.h"

namespace vesk_host {

namespace {

struct Kind {
    process::Change change;
    const Rule* rule;
    const char* what;
};

// One row per change the interposer notes.
const Kind kinds[] = {
    {process::descriptors, &rule::descriptorChanged, "closed or replaced one of the host's descriptors 0 to 2"},
    {process::workingFolder, &rule::processStateChanged, "changed the working folder"},
    {process::environment, &rule::processStateChanged, "changed the environment"},
    {process::locale, &rule::processStateChanged, "changed the locale"},
    {process::fileMask, &rule::processStateChanged, "changed the umask"},
    {process::signalDispositions, &rule::processStateChanged, "changed a signal's disposition"},
    {process::signalMask, &rule::processStateChanged, "changed the signal mask"},
    {process::forked, &rule::forkInCall, "forked the host's process (the copy was stopped before it could act "
                                         "as the host)"},
};

} // namespace

struct ProcessWatch::Mask {
#if !defined(_WIN32)
    sigset_t set;
#endif
};

ProcessWatch::ProcessWatch(CallWatcher* next) : next_(next), mask_(std::make_unique<Mask>())
{
#if !defined(_WIN32)
    pthread_sigmask(SIG_BLOCK, nullptr, &mask_->set);
#endif
}

ProcessWatch::~ProcessWatch() { process::stop(); }

void ProcessWatch::watch(EventBus& events)
{
    events_ = &events;
    events.subscribe(*this);
    process::take();
    process::start();
}

void ProcessWatch::unwatch(EventBus& events)
{
    process::stop();
    events.unsubscribe(*this);
    events_ = nullptr;
}

void ProcessWatch::observe(const HostEvent& event)
{
    // The events that open a call into the script name it.
    if (std::holds_alternative<ScriptLoading>(event) || std::holds_alternative<ControlDelivered>(event) ||
        std::holds_alternative<RevertiveDelivered>(event) || std::holds_alternative<QueryDelivered>(event) ||
        std::holds_alternative<TimerDelivered>(event) || std::holds_alternative<CodeDelivered>(event) ||
        std::holds_alternative<AnswerHandedBack>(event) || std::holds_alternative<ScriptDeleting>(event))
        call_ = &event;
}

void ProcessWatch::beforeCall(const HostEvent& call)
{
    if (next_)
        next_->beforeCall(call);
}

void ProcessWatch::afterCall()
{
    // A copy made by the script's fork() ends as soon as it is back in the host.
    if (process::inForkedCopy())
        std::_Exit(0);
    if (next_)
        next_->afterCall();
    check(call_, "a call");
    call_ = nullptr;
}

void ProcessWatch::afterLibraryCode(const char* moment) { check(nullptr, moment); }

void ProcessWatch::check(const HostEvent* call, const char* otherwise)
{
    if (!events_)
        return;
    const unsigned changes = process::take();
    if (changes == 0 && process::threadsRunning() == 0 && threadsSince_.empty())
        return;
    const std::string during = call ? callName(call) : otherwise;
    if (changes & (process::signalDispositions | process::signalMask)) {
        // Put back without noting it: the host's own doing.
        process::stop();
        fatal::reclaimSignals();
#if !defined(_WIN32)
        pthread_sigmask(SIG_SETMASK, &mask_->set, nullptr);
#endif
        process::start();
    }
    for (const Kind& kind : kinds) {
        if (!(changes & kind.change) || (reported_ & kind.change))
            continue;
        reported_ |= kind.change;
        events_->emit(FindingRaised{Finding{kind.rule, std::string("the script ") + kind.what + " with " +
                                                            process::firstOf(kind.change) + ", during " + during},
                                    0});
    }
    // A thread still running one call later is left running, not finishing.
    if (process::threadsRunning() > 0 && !threadsReported_) {
        if (threadsSince_.empty()) {
            threadsSince_ = during;
        } else {
            threadsReported_ = true;
            events_->emit(FindingRaised{
                Finding{&rule::threadLeftRunning, std::to_string(process::threadsRunning()) +
                                                      " thread(s) the script started still run after " +
                                                      threadsSince_ + " returned"},
                0});
        }
    } else if (process::threadsRunning() == 0) {
        threadsSince_.clear();
    }
}

} // namespace vesk_host
