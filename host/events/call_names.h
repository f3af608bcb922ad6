// What a call into the script is, in the words of the host's messages:
// "control event "Sources" "index=3"", "timer 7", "shutdown", ... Written
// through a writer with text(string_view), quoted(string_view) and
// number(long long), so the transcript's messages (a std::string) and the
// last report of a crashed script (a FixedText, in a signal handler) name
// a call alike. Every event type is named here: a new type that is neither
// named nor listed as no call fails to compile.
#ifndef VESK_HOST_CALL_NAMES_H
#define VESK_HOST_CALL_NAMES_H

#include <string>
#include <type_traits>
#include <variant>

#include "events/host_events.h"

namespace vesk_host {

// Whether the name of an entry point follows "start-up" and "shutdown": the
// last report names them, as an engineer reading it may not know them.
enum class CallDetail { brief, entryPoints };

namespace call_names {

template <class T, class... List> constexpr bool oneOf = (std::is_same_v<T, List> || ...);

// What the script sends, the host's outcomes and notes, and the session's
// events: never the call the host is in.
template <class T>
constexpr bool notACall =
    oneOf<T, CommandSent, OtherCodeSent, ReplyReturned, AnswerReceived, ExportReturnedNull, ScriptUncallable,
          RevertivesDropped, FindingRaised, TimerStarted, TimerStopped, PropertyChanged, PanelLoaded, StepStarted,
          StepRefused, StateShown, ExpectationChecked, RunSummary, ScriptPrinted, HostNote>;

template <class Writer> struct Namer {
    Writer& out;
    CallDetail detail;

    void operator()(const ScriptLoading&) const
    {
        out.text(detail == CallDetail::entryPoints ? "start-up (load_vesk_client_script)" : "start-up");
    }
    void operator()(const ControlDelivered& e) const
    {
        out.text("control event ");
        out.quoted(e.control);
        out.text(" ");
        out.quoted(e.event);
    }
    void operator()(const RevertiveDelivered& e) const
    {
        out.text("revertive from device ");
        out.number(e.device);
        out.text(" index ");
        out.number(e.index);
    }
    void operator()(const QueryDelivered& e) const
    {
        out.text("parent query ");
        if (e.query)
            out.quoted(*e.query);
        else
            out.text("null");
    }
    void operator()(const AnswerHandedBack& e) const
    {
        out.text("the hand-back of the answer to ");
        out.text(e.query);
    }
    void operator()(const CodeDelivered& e) const
    {
        out.text("code ");
        out.number(e.code);
        out.text(" with ");
        out.text(e.data);
    }
    void operator()(const TimerDelivered& e) const
    {
        out.text("timer ");
        out.number(e.id);
    }
    void operator()(const ScriptDeleting&) const
    {
        out.text(detail == CallDetail::entryPoints ? "shutdown (the script's destructor)" : "shutdown");
    }
    template <class T, std::enable_if_t<notACall<T>, int> = 0> void operator()(const T&) const { out.text("a call"); }
};

} // namespace call_names

// `call` null: the host is calling no script code at the moment.
template <class Writer> void writeCallName(Writer& out, const HostEvent* call, CallDetail detail)
{
    if (call)
        std::visit(call_names::Namer<Writer>{out, detail}, *call);
    else
        out.text("no call (the host was not calling the script)");
}

// The call's name as the transcript's messages give it (texts quoted as quoteText does).
std::string callName(const HostEvent* call);

} // namespace vesk_host

#endif
