#include "traps/fatal_moment.h"

#include <atomic>
#include <cstring>

#include "base/fixed_text.h"
#include "events/call_names.h"
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

void callDescription(FixedText& out)
{
    if (const char* moment = libraryMoment.load())
        out.text(moment);
    else
        writeCallName(out, currentCall, CallDetail::entryPoints);
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
