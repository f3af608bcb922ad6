#include "rig/run_supervisor.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>

#include "rig/run_protocol.h"
#include "traps/fatal_watch.h"
#include "worker/event_codec.h"
#include "worker/record_stream.h"

namespace vesk_host {

namespace {

using Clock = std::chrono::steady_clock;

// Longest record a worker may send (a transcript line of the longest reply, with room).
constexpr std::size_t maxRecord = 64u << 20;
// Beyond the worker's own watchdog, how long the supervisor waits for a word.
constexpr double graceSeconds = 3;
// How often the supervisor looks at a ring that has not woken it.
constexpr auto ringLook = std::chrono::milliseconds(10);

bool isCall(const HostEvent& event)
{
    return std::holds_alternative<ScriptLoading>(event) || std::holds_alternative<ControlDelivered>(event) ||
           std::holds_alternative<RevertiveDelivered>(event) || std::holds_alternative<QueryDelivered>(event) ||
           std::holds_alternative<TimerDelivered>(event) || std::holds_alternative<CodeDelivered>(event) ||
           std::holds_alternative<AnswerHandedBack>(event) || std::holds_alternative<ScriptDeleting>(event);
}

const Rule* ruleNamed(const std::string& name)
{
    for (const Rule* rule : allRules())
        if (name == rule->name)
            return rule;
    return nullptr;
}

// Where the worker is, as its records tell, kept in the fatal watch's
// state of this process so that a report reads as the worker's own would.
class Moment {
public:
    void event(HostEvent&& event)
    {
        if (isCall(event)) {
            call_ = std::move(event);
            fatal::callStarted(*call_, 1);
            inCall_ = true;
        } else if (const auto* step = std::get_if<StepStarted>(&event)) {
            step_ = step->step;
            fatal::stepStarted(step->line, step_);
        } else if (const auto* sent = std::get_if<CommandSent>(&event)) {
            if (sent->text)
                fatal::commandSent(*sent->text);
        }
    }
    void callReturned()
    {
        fatal::callEnded();
        inCall_ = false;
    }
    void libraryCode(const std::string& moment)
    {
        library_ = moment;
        fatal::libraryCodeStarted(library_.c_str(), 1);
    }
    void libraryCodeEnded()
    {
        fatal::libraryCodeEnded();
        library_.clear();
    }
    // Inside the script: a call, or the library's own code.
    bool inScript() const { return inCall_ || !library_.empty(); }
    std::string describe(const Rule& rule, const std::string& what) const
    {
        static fatal::Report report;
        fatal::describe(report, &rule, what.c_str());
        return report.message;
    }
    ~Moment()
    {
        fatal::callEnded();
        fatal::libraryCodeEnded();
        fatal::stepEnded();
    }

private:
    std::optional<HostEvent> call_;
    bool inCall_ = false;
    std::string step_;
    std::string library_;
};

class Supervisor {
public:
    Supervisor(EventBus& events, RunListener& listener, double timeout, worker::SharedRing* ring)
        : events_(events), listener_(listener), timeout_(timeout + graceSeconds), ring_(ring)
    {
    }
    // What follows the run (its summary) is the host's own, and the origin's name goes with this.
    ~Supervisor() { events_.setOrigin(Origin{}); }
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    SupervisedEnd run(const worker::Launch& launch)
    {
        if (const Status started = process_.start(launch); !started)
            return failed(started.error().message);
        std::string bytes;
        rearm();
        while (!over_) {
            // With a ring, a look at it now and then; the channel only wakes.
            const auto until = ring_ ? std::min(deadline_, Clock::now() + ringLook) : deadline_;
            switch (process_.receive(bytes, until)) {
            case worker::WorkerProcess::Got::channel:
                if (!ring_)
                    splitter_.feed(bytes.data(), bytes.size());
                readRecords();
                break;
            case worker::WorkerProcess::Got::printed: break;
            case worker::WorkerProcess::Got::timedOut:
                if (!readRecords() && Clock::now() >= deadline_)
                    return hung();
                break;
            case worker::WorkerProcess::Got::ended:
                // What the ring still holds came before the end.
                readRecords();
                return ended();
            }
        }
        // Said everything: it only has to end.
        process_.wait();
        return end_;
    }

private:
    void rearm()
    {
        deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_));
    }

    // Takes the records that have come; false when none had.
    bool readRecords()
    {
        if (ring_) {
            pending_.clear();
            ring_->take(pending_);
            splitter_.feed(pending_.data(), pending_.size());
        }
        bool any = false;
        char tag = 0;
        while (!over_ && splitter_.next(tag, payload_)) {
            rearm();
            take(tag);
            any = true;
        }
        if (splitter_.garbled() && !over_) {
            process_.kill();
            end_ = failedEnd("the worker sent a record longer than " + std::to_string(maxRecord) + " bytes");
            over_ = true;
        }
        return any;
    }

    void take(char tag)
    {
        switch (tag) {
        case record::event: {
            auto event = worker::decodeEvent(payload_);
            if (!event) {
                process_.kill();
                end_ = failedEnd("the worker sent an event that cannot be read");
                over_ = true;
                return;
            }
            events_.emit(*event);
            moment_.event(std::move(*event));
            return;
        }
        case record::position: {
            // The name is kept here, as the bus's origin only points at it.
            const std::size_t tab = payload_.find('\t');
            positionName_ = tab == std::string::npos ? std::string() : payload_.substr(tab + 1);
            events_.setOrigin(Origin{std::atoi(payload_.substr(0, tab).c_str()), positionName_});
            return;
        }
        case record::callReturned: moment_.callReturned(); return;
        case record::printed: events_.emit(ScriptPrinted{payload_}); return;
        case record::libraryCode: moment_.libraryCode(payload_); return;
        case record::libraryCodeEnded: moment_.libraryCodeEnded(); return;
        case record::loadFailed:
            end_.how = SupervisedEnd::How::loadFailed;
            end_.message = payload_;
            loadFailed_ = true;
            return;
        case record::stepFailed: {
            const std::size_t tab = payload_.find('\t');
            const std::size_t second = tab == std::string::npos ? tab : payload_.find('\t', tab + 1);
            Error error;
            if (second != std::string::npos) {
                const int kind = std::atoi(payload_.substr(tab + 1, second - tab - 1).c_str());
                if (kind >= 0 && kind <= static_cast<int>(ErrorKind::system))
                    error.kind = static_cast<ErrorKind>(kind);
                error.message = payload_.substr(second + 1);
            }
            listener_.stepFailed(std::atoi(payload_.substr(0, tab).c_str()), error);
            return;
        }
        case record::ready: {
            const auto step = listener_.nextStep();
            if (!step || !process_.send(*step + "\n"))
                process_.closeInput();
            rearm();
            return;
        }
        case record::fatal: {
            const std::size_t tab = payload_.find('\t');
            const Rule* rule = ruleNamed(payload_.substr(0, tab));
            scriptEnded(rule ? *rule : rule::scriptCrashed,
                        tab == std::string::npos ? std::string() : payload_.substr(tab + 1));
            return;
        }
        case record::words: listener_.words(payload_); return;
        case record::after: listener_.after(payload_); return;
        case record::emulatorFailed:
            end_ = failedEnd(payload_);
            over_ = true;
            return;
        case record::done: {
            const std::size_t blank = payload_.find(' ');
            end_.expectationsMet = std::atoi(payload_.substr(0, blank).c_str());
            end_.expectationsFailed = blank == std::string::npos ? 0 : std::atoi(payload_.c_str() + blank + 1);
            if (!loadFailed_)
                end_.how = SupervisedEnd::How::done;
            over_ = true;
            return;
        }
        default:
            process_.kill();
            end_ = failedEnd("the worker sent a record of an unknown kind");
            over_ = true;
        }
    }

    // The script's end of the run, as a finding in the transcript too.
    void scriptEnded(const Rule& rule, std::string message)
    {
        events_.emit(FindingRaised{Finding{&rule, message}, 0});
        end_.how = SupervisedEnd::How::scriptEnded;
        end_.rule = &rule;
        end_.message = std::move(message);
        over_ = true;
    }

    SupervisedEnd ended()
    {
        const worker::WorkerEnd end = process_.wait();
        if (over_ || loadFailed_)
            return end_;
        if (end.how == worker::WorkerEnd::How::signalled) {
            // The worker's fatal watch reports what it catches: this the script
            // caught or blocked itself, or it is the emulator's own fault.
            if (moment_.inScript())
                scriptEnded(rule::scriptCrashed,
                            moment_.describe(rule::scriptCrashed,
                                             "the script's process died of " + end.signal +
                                                 (fatal::available() ? " (with a signal handler of the script's "
                                                                       "own, or the signal blocked)"
                                                                     : "")));
            else
                end_ = failedEnd("the worker died of " + end.signal + " outside any call into the script");
            return end_;
        }
        // Nothing in the host ends the worker before it is done: an exit is the script's.
        scriptEnded(rule::scriptEnded,
                    moment_.describe(rule::scriptEnded, "the script ended the process with exit code " +
                                                            std::to_string(end.exitCode) + " (exit or _exit)" +
                                                            (moment_.inScript() ? "" : " from a thread of its own")));
        return end_;
    }

    SupervisedEnd hung()
    {
        process_.kill();
        if (!moment_.inScript())
            return failedEnd("the worker said nothing for " + std::to_string(static_cast<long long>(timeout_)) +
                             " s outside any call into the script");
        scriptEnded(rule::callTimeout,
                    moment_.describe(rule::callTimeout, "the script did not return within " +
                                                            std::to_string(static_cast<long long>(timeout_)) +
                                                            " s and its process was ended"));
        return end_;
    }

    SupervisedEnd failed(const std::string& message) { return failedEnd(message); }

    static SupervisedEnd failedEnd(const std::string& message)
    {
        SupervisedEnd end;
        end.how = SupervisedEnd::How::emulatorFailed;
        end.message = message;
        return end;
    }

    EventBus& events_;
    RunListener& listener_;
    double timeout_;
    worker::SharedRing* ring_;
    worker::WorkerProcess process_;
    worker::RecordSplitter splitter_{maxRecord};
    std::string pending_;
    std::string payload_;
    std::string positionName_;  // of the events that come now
    Moment moment_;
    Clock::time_point deadline_;
    SupervisedEnd end_;
    bool over_ = false;
    bool loadFailed_ = false;
};

} // namespace

SupervisedEnd superviseRun(const worker::Launch& launch, EventBus& events, RunListener& listener,
                           double callTimeoutSeconds, worker::SharedRing* ring)
{
    Supervisor supervisor(events, listener, callTimeoutSeconds, ring);
    return supervisor.run(launch);
}

} // namespace vesk_host
