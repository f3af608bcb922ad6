// The emulator's typed events. The script host, the emulator and the
// session runner emit them as things happen; observers subscribe to the
// bus: the text transcript and the JSON lines (transcript_text.h,
// transcript_json.h), the session's expectations, the validator, the
// finding tally and the live page. Nothing decides anything by reading a
// transcript line: it observes the event instead.
#ifndef VESK_HOST_HOST_EVENTS_H
#define VESK_HOST_HOST_EVENTS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "events/reply.h"
#include "events/rules.h"

namespace vesk_host {

// Calls into the script ("host > script").
struct ScriptLoading {
    std::optional<std::string> path;  // nothing: a null path
};
struct ControlDelivered {
    std::string panel, control, event;
};
struct RevertiveDelivered {
    std::int32_t device;
    std::int32_t index;
    std::string text;
};
struct QueryDelivered {
    std::optional<std::string> query;  // nothing: a null query
};
struct TimerDelivered {
    std::int32_t id;
    std::int64_t clock;
};
struct CodeDelivered {
    int code;
    std::string data;  // what the data word is, in words
};
struct AnswerHandedBack {
    std::string query;   // the query as shown ("\"_events\"" or "null")
    std::string answer;  // the answer as it was read
};
struct ScriptDeleting {};

// What the script does inside a call ("script > host").
struct CommandSent {
    // Nothing: a null text. For a text without a NUL, its first bytes.
    std::optional<std::string> text;
    bool unterminated = false;
    Reply reply;
};
struct OtherCodeSent {
    int code;
};
struct ReplyReturned {
    enum class Pointer {
        null,      // a null hand-back (legal)
        unknown,   // a pointer the host never handed out
        kept,      // a word answering a command whose reply never comes back
        reply,     // a reply handed back
        twice,     // a reply handed back once more
        late,      // a reply handed back after its call had ended (already reported as missing)
    };
    Pointer pointer;
    std::string text;     // the reply as handed out (reply, twice, kept), cut at 1000 bytes
    std::string command;  // the command it answered (reply, twice, kept)
    std::size_t size = 0;  // the reply's whole length, when `text` is cut
};

// Outcomes the host sees ("host < script") and its own notes.
struct AnswerReceived {
    std::optional<std::string> text;  // nothing: the script answered null
    bool terminated = true;           // false: no NUL within the bound
};
struct ExportReturnedNull {};
// The script made at start-up cannot be called: its C++ layout is not the one given, or not known.
struct ScriptUncallable {
    std::string problem;
};
struct RevertivesDropped {
    std::size_t count;
};
struct FindingRaised {
    Finding finding;
    int depth;  // 1 inside a call into the script, 0 after it
};

// Changes of the emulator's state, for live views (no transcript line).
struct TimerStarted {
    std::int32_t id;
    std::int32_t interval;
};
struct TimerStopped {
    std::int32_t id;
};
struct PropertyChanged {
    std::string panel, control, property, value;
};
struct PanelLoaded {
    std::string panel, file;
};

// The session around the script.
struct StepStarted {
    std::string step;  // the step in canonical form
    std::int64_t clock;
    int line;  // 0 for the run's own steps (start-up, the final shutdown)
};
struct StepRefused {
    int line;
    std::string message;
};
struct StateShown {
    std::string text;  // a table of several lines
    bool finalPanel = false;  // the run's closing panel table, which a golden file may leave out
};
struct ExpectationChecked {
    int line;
    std::string step;
    bool ok;
    std::string expected;
    std::string actual;
};
struct RunSummary {
    int violations;
    int warnings;
    int expectationsMet;
    int expectationsFailed;
    std::vector<std::pair<std::string, int>> rules;  // broken rules by name, with counts
};

// What the script wrote to its standard output or error during a call (a
// debugger line, a printf), where the run captures it.
struct ScriptPrinted {
    std::string text;
};

// Something the emulator itself had to do that changes what it can catch
// (guarded memory giving way to plain memory), said once.
struct HostNote {
    std::string text;
};

using HostEvent =
    std::variant<ScriptLoading, ControlDelivered, RevertiveDelivered, QueryDelivered, TimerDelivered, CodeDelivered,
                 AnswerHandedBack, ScriptDeleting, CommandSent, OtherCodeSent, ReplyReturned, AnswerReceived,
                 ExportReturnedNull, ScriptUncallable, RevertivesDropped, FindingRaised, TimerStarted, TimerStopped, PropertyChanged,
                 PanelLoaded, StepStarted, StepRefused, StateShown, ExpectationChecked, RunSummary, ScriptPrinted, HostNote>;

// Whose an event is: the position of the studio whose script made it, or
// the host's own (a step, an expectation, the summary). A run of one
// script has one position without a name, which no transcript marks.
struct Origin {
    int position = -1;      // the position's number in the studio; -1: the host's own
    std::string_view name;  // the position's name; empty for the one script of a plain run
};

class EventObserver {
public:
    virtual ~EventObserver() = default;
    virtual void observe(const HostEvent& event) = 0;
    // With the event's origin; observers that tell positions apart override it.
    virtual void observeFrom(const HostEvent& event, const Origin&) { observe(event); }
};

// Hands every event to every subscribed observer, in subscription order,
// with the origin in force. Observers must outlive their subscription; they
// may not subscribe or unsubscribe while an event is being handed out.
class EventBus {
public:
    void subscribe(EventObserver& observer) { observers_.push_back(&observer); }
    void unsubscribe(EventObserver& observer);
    void emit(const HostEvent& event) const
    {
        for (EventObserver* observer : observers_)
            observer->observeFrom(event, origin_);
    }
    // Events emitted from now on are the position's; the name's text must
    // outlive its time as the origin.
    void setOrigin(Origin origin) { origin_ = origin; }
    const Origin& origin() const { return origin_; }

private:
    std::vector<EventObserver*> observers_;
    Origin origin_;
};

// The origin for as long as it lives, then the one before.
class OriginScope {
public:
    OriginScope(EventBus& events, Origin origin) : events_(events), before_(events.origin())
    {
        events_.setOrigin(origin);
    }
    ~OriginScope() { events_.setOrigin(before_); }
    OriginScope(const OriginScope&) = delete;
    OriginScope& operator=(const OriginScope&) = delete;

private:
    EventBus& events_;
    Origin before_;
};

inline void EventBus::unsubscribe(EventObserver& observer)
{
    for (auto it = observers_.begin(); it != observers_.end(); ++it)
        if (*it == &observer) {
            observers_.erase(it);
            return;
        }
}

// An observer made of a function, for small watchers.
template <class Function> class ObserverFunction final : public EventObserver {
public:
    explicit ObserverFunction(Function function) : function_(std::move(function)) {}
    void observe(const HostEvent& event) override { function_(event); }

private:
    Function function_;
};

} // namespace vesk_host

#endif
