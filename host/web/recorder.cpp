#include "web/recorder.h"

#include <type_traits>

#include "session/session_lines.h"

namespace vesk_host::web {

namespace {

// Steps that make the script do something: each gets expectations.
bool isAction(const StepAction& action)
{
    return std::holds_alternative<step::Press>(action) || std::holds_alternative<step::Advance>(action) ||
           std::holds_alternative<step::Query>(action) || std::holds_alternative<step::Revertive>(action) ||
           std::holds_alternative<step::Route>(action) || std::holds_alternative<step::Poll>(action) ||
           std::holds_alternative<step::Tick>(action) || std::holds_alternative<step::Shutdown>(action);
}

bool causedNothing(const ActionFacts& facts)
{
    return facts.commands.empty() && facts.properties.empty() && facts.complete;
}

// Comment text on one line.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

Recorder::Recorder(const std::vector<std::string>& header)
{
    for (const std::string& line : header)
        write("# " + oneLine(line));
}

void Recorder::write(const std::string& line)
{
    if (full_)
        return;
    if (out_.size() + line.size() + 1 > maxBytes) {
        full_ = true;
        out_ += "# the recording stops here: it reached its size limit\n";
        return;
    }
    out_ += line;
    out_ += '\n';
}

void Recorder::flushAdvance()
{
    if (!advancePending_)
        return;
    advancePending_ = false;
    write("advance " + std::to_string(pendingAdvance_));
    pendingAdvance_ = 0;
}

void Recorder::expectations(const ActionFacts& facts)
{
    if (facts.complete) {
        for (const std::string& command : facts.commands)
            write("expect command " + sessionWord(command));
        write("expect no-more-commands");
    } else {
        write("# this action sent more commands than were recorded; they are not checked");
    }
    // Properties of the current panel first, then each other panel's, addressed with "panel".
    std::vector<std::string> panels = {panel_};
    for (const PropertyFact& fact : facts.properties) {
        bool seen = false;
        for (const std::string& panel : panels)
            seen = seen || panel == fact.panel;
        if (!seen)
            panels.push_back(fact.panel);
    }
    for (const std::string& panel : panels) {
        bool switched = false;
        for (const PropertyFact& fact : facts.properties) {
            if (fact.panel != panel)
                continue;
            if (panel != panel_ && !switched) {
                write("panel " + sessionWord(panel));
                switched = true;
            }
            write("expect property " + sessionWord(fact.control) + " " + sessionWord(fact.property) + " " +
                  sessionWord(fact.value));
        }
        if (switched)
            write("panel " + sessionWord(panel_));
    }
    if (facts.answer)
        write("expect answer " + (*facts.answer ? sessionWord(**facts.answer) : std::string("null")));
}

void Recorder::startUp(const ActionFacts& facts)
{
    write("# start-up");
    expectations(facts);
}

void Recorder::step(const Step& step, const ActionFacts& facts)
{
    const StepAction& action = step.action;
    if (std::holds_alternative<step::Quit>(action) || std::holds_alternative<step::Help>(action))
        return;
    if (const auto* advance = std::get_if<step::Advance>(&action)) {
        pendingAdvance_ += advance->milliseconds;
        advancePending_ = true;
        if (causedNothing(facts))
            return;
        flushAdvance();
        expectations(facts);
        return;
    }
    flushAdvance();
    // The recording checks every command itself; a live "expect command"
    // would read past them on replay.
    if (std::holds_alternative<step::ExpectCommand>(action) ||
        std::holds_alternative<step::ExpectNoMoreCommands>(action)) {
        write("# checked on the page: " + oneLine(stepLine(action)));
        return;
    }
    write(stepLine(action));
    if (const auto* panel = std::get_if<step::Panel>(&action))
        panel_ = panel->id;
    if (isAction(action))
        expectations(facts);
}

void Recorder::refused(const std::string& line, const std::string& why)
{
    flushAdvance();
    write("# refused: " + oneLine(line) + " (" + oneLine(why) + ")");
}

void Recorder::died(const Step& step, const std::string& what)
{
    flushAdvance();
    write("# " + oneLine(what) + ":");
    write(stepLine(step.action));
}

std::string Recorder::text() const
{
    if (!advancePending_ || full_)
        return out_;
    return out_ + "advance " + std::to_string(pendingAdvance_) + "\n";
}

} // namespace vesk_host::web
