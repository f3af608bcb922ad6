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

bool isExpectation(const StepAction& action)
{
    return std::holds_alternative<step::ExpectCommand>(action) ||
           std::holds_alternative<step::ExpectNoMoreCommands>(action) ||
           std::holds_alternative<step::ExpectProperty>(action) || std::holds_alternative<step::ExpectAnswer>(action) ||
           std::holds_alternative<step::ExpectHandedBack>(action);
}

bool causedNothing(const ActionFacts& facts)
{
    return facts.commands.empty() && facts.properties.empty() && facts.complete;
}

// The line as the step of `position`: "@B press ...", "expect @B command ...".
std::string addressed(const std::string& line, const std::string& position)
{
    if (position.empty())
        return line;
    if (line.rfind("expect ", 0) == 0)
        return "expect @" + position + line.substr(6);
    return "@" + position + " " + line;
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

Recorder::Recorder(const std::vector<std::string>& header, const std::vector<std::string>& positions)
{
    for (const std::string& line : header)
        write("# " + oneLine(line));
    for (const std::string& name : positions)
        seats_.push_back(Seat{name});
    if (seats_.empty())
        seats_.push_back(Seat{});
}

Recorder::Seat& Recorder::seat(const std::string& position)
{
    // A step that names no position addresses the first.
    for (Seat& seat : seats_)
        if (seat.name == position)
            return seat;
    return seats_.front();
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

void Recorder::flushExpectations()
{
    if (!pendingFacts_)
        return;
    std::string lines = expectations(*pendingFacts_);
    pendingFacts_.reset();
    for (Seat& seat : seats_) {
        seat.typedCommands = 0;
        seat.typedNoMore = false;
    }
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = lines.find('\n', start);
        write(lines.substr(start, end - start));
        start = end + 1;
    }
}

std::string Recorder::expectations(const ActionFacts& facts) const
{
    std::string out;
    if (!facts.complete)
        out += "# this action sent more commands than were recorded; they are not checked\n";
    for (const Seat& seat : seats_)
        positionExpectations(seat, facts, out);
    if (facts.answer)
        out += addressed("expect answer " + (*facts.answer ? sessionWord(**facts.answer) : std::string("null")),
                         pendingPosition_) +
               "\n";
    return out;
}

void Recorder::positionExpectations(const Seat& seat, const ActionFacts& facts, std::string& out) const
{
    auto line = [&out, &seat](const std::string& text) { out += addressed(text, seat.name) + "\n"; };
    // A typed "expect command" checks the next command, passed or failed;
    // "expect no-more-commands" all that are left.
    if (facts.complete && !seat.typedNoMore) {
        std::size_t seen = 0;
        for (const CommandFact& command : facts.commands)
            if (command.position == seat.name && seen++ >= seat.typedCommands)
                line("expect command " + sessionWord(command.text));
        line("expect no-more-commands");
    }
    // Properties of the current panel first, then each other panel's, addressed with "panel".
    std::vector<std::string> panels = {seat.panel};
    for (const PropertyFact& fact : facts.properties) {
        bool seen = fact.position != seat.name;
        for (const std::string& panel : panels)
            seen = seen || panel == fact.panel;
        if (!seen)
            panels.push_back(fact.panel);
    }
    for (const std::string& panel : panels) {
        bool switched = false;
        for (const PropertyFact& fact : facts.properties) {
            if (fact.panel != panel || fact.position != seat.name)
                continue;
            if (panel != seat.panel && !switched) {
                line("panel " + sessionWord(panel));
                switched = true;
            }
            line("expect property " + sessionWord(fact.control) + " " + sessionWord(fact.property) + " " +
                 sessionWord(fact.value));
        }
        if (switched)
            line("panel " + sessionWord(seat.panel));
    }
}

void Recorder::startUp(const ActionFacts& facts)
{
    flushExpectations();
    write("# start-up");
    pendingFacts_ = facts;
    pendingPosition_.clear();
}

void Recorder::step(const Step& step, const ActionFacts& facts, const std::string& failure)
{
    const StepAction& action = step.action;
    if (std::holds_alternative<step::Quit>(action) || std::holds_alternative<step::Help>(action))
        return;
    if (isExpectation(action)) {
        flushAdvance();
        if (!failure.empty())
            write("# failed on the page: " + oneLine(failure));
        write(addressed(stepLine(action), step.position));
        Seat& typed = seat(step.position);
        typed.typedCommands += std::holds_alternative<step::ExpectCommand>(action);
        typed.typedNoMore = typed.typedNoMore || std::holds_alternative<step::ExpectNoMoreCommands>(action);
        return;
    }
    if (const auto* advance = std::get_if<step::Advance>(&action)) {
        if (causedNothing(facts) && !pendingFacts_) {
            pendingAdvance_ += advance->milliseconds;
            advancePending_ = true;
            return;
        }
        flushExpectations();
        pendingAdvance_ += advance->milliseconds;
        advancePending_ = true;
        if (causedNothing(facts))
            return;
        flushAdvance();
        pendingFacts_ = facts;
        return;
    }
    if (isAction(action))
        flushExpectations();
    flushAdvance();
    write(addressed(stepLine(action), step.position));
    if (const auto* panel = std::get_if<step::Panel>(&action))
        seat(step.position).panel = panel->id;
    if (isAction(action)) {
        pendingFacts_ = facts;
        pendingPosition_ = step.position;
    }
}

void Recorder::refused(const std::string& line, const std::string& why)
{
    flushAdvance();
    write("# refused: " + oneLine(line) + " (" + oneLine(why) + ")");
}

void Recorder::died(const Step& step, const std::string& what)
{
    flushExpectations();
    flushAdvance();
    write("# " + oneLine(what) + ":");
    write(addressed(stepLine(step.action), step.position));
}

std::string Recorder::text() const
{
    if (full_)
        return out_;
    std::string text = out_;
    if (pendingFacts_)
        text += expectations(*pendingFacts_);
    if (advancePending_)
        text += "advance " + std::to_string(pendingAdvance_) + "\n";
    return text;
}

} // namespace vesk_host::web
