#include "traps/fatal_moment.h"

#include <atomic>
#include <cstring>

#include "base/fixed_text.h"
#include "traps/fatal_watch.h"

namespace vesk_host::fatal {

namespace {

constexpr int keptCommands = 6;
constexpr std::size_t commandSize = 120;

const HostEvent* currentCall = nullptr;
std::atomic<const char*> libraryMoment{nullptr};
std::atomic<long long> callStart{0};
int stepLine = 0;
const char* stepSource = nullptr;
std::size_t stepSourceSize = 0;
char commands[keptCommands][commandSize];
int nextCommand = 0;
int commandCount = 0;

struct CallWriter {
    FixedText& out;
    void operator()(const ScriptLoading&) const { out.text("start-up (load_vesk_client_script)"); }
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
    void operator()(const TimerDelivered& e) const
    {
        out.text("timer ");
        out.number(e.id);
    }
    void operator()(const CodeDelivered& e) const
    {
        out.text("code ");
        out.number(e.code);
        out.text(" with ");
        out.text(e.data);
    }
    void operator()(const AnswerHandedBack& e) const
    {
        out.text("the hand-back of the answer to ");
        out.text(e.query);
    }
    void operator()(const ScriptDeleting&) const { out.text("shutdown (the script's destructor)"); }
    template <class Other> void operator()(const Other&) const { out.text("a call"); }
};

void callDescription(FixedText& out)
{
    if (const char* moment = libraryMoment.load())
        out.text(moment);
    else if (const HostEvent* call = currentCall)
        std::visit(CallWriter{out}, *call);
    else
        out.text("no call (the host was not calling the script)");
}

} // namespace

namespace moment {

bool inScript() { return currentCall != nullptr || libraryMoment.load() != nullptr; }

long long callStart() { return fatal::callStart.load(); }

} // namespace moment

void callStarted(const HostEvent& call, std::int64_t started)
{
    currentCall = &call;
    callStart = started;
}

void callEnded()
{
    callStart = 0;
    currentCall = nullptr;
}

void libraryCodeStarted(const char* moment, std::int64_t started)
{
    libraryMoment = moment;
    callStart = started;
}

void libraryCodeEnded()
{
    callStart = 0;
    libraryMoment = nullptr;
}

void stepStarted(int line, std::string_view source)
{
    stepLine = line;
    stepSource = source.data();
    stepSourceSize = source.size();
}

void stepEnded()
{
    stepSource = nullptr;
    stepSourceSize = 0;
}

void commandSent(std::string_view text)
{
    char* slot = commands[nextCommand];
    const std::size_t length = text.size() < commandSize - 1 ? text.size() : commandSize - 1;
    std::memcpy(slot, text.data(), length);
    slot[length] = '\0';
    nextCommand = (nextCommand + 1) % keptCommands;
    if (commandCount < keptCommands)
        ++commandCount;
}

void describe(Report& into, const Rule* rule, const char* what)
{
    into.rule = rule;
    FixedText out(into.message, sizeof into.message);
    out.text(what);
    out.text(", during ");
    callDescription(out);
    if (stepSource) {
        out.text(" (");
        if (stepLine > 0) {
            out.text("line ");
            out.number(stepLine);
            out.text(": ");
        }
        out.text(std::string_view(stepSource, stepSourceSize));
        out.text(")");
    }
    if (commandCount > 0) {
        out.text("; its last commands: ");
        for (int i = 0; i < commandCount; ++i) {
            const int at = (nextCommand - commandCount + i + keptCommands) % keptCommands;
            if (i > 0)
                out.text(", ");
            out.quoted(commands[at]);
        }
    }
}

} // namespace vesk_host::fatal
