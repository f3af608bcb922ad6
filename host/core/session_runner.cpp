#include "session_runner.h"

#include "panel_view.h"
#include "reply_modes.h"
#include "text_util.h"

namespace vesk_host {

SessionRunner::SessionRunner(Emulator& emulator, Transcript& transcript) : emulator_(emulator), transcript_(transcript)
{
    transcript_.addSink([this](const Entry& entry) {
        if (entry.kind != "command")
            return;
        for (const auto& [key, value] : entry.fields)
            if (key == "text")
                commands_.push_back(std::holds_alternative<std::string>(value) ? std::get<std::string>(value)
                                                                               : std::string("(null)"));
    });
}

void SessionRunner::beginAction(const std::string& text, int line)
{
    commands_.clear();
    cursor_ = 0;
    header(text, line);
}

void SessionRunner::header(const std::string& text, int line)
{
    Entry entry;
    entry.kind = "action";
    entry.text = "== " + (line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + text;
    entry.fields = {{"step", text}, {"clock", emulator_.timers().now()}};
    if (line > 0)
        entry.fields.emplace_back("line", std::int64_t{line});
    transcript_.add(std::move(entry));
}

void SessionRunner::show(const std::string& text) { transcript_.add(showEntry(text)); }

SessionRunner::Outcome SessionRunner::refuse(const Step& step, std::string message)
{
    error_ = std::move(message);
    Entry entry;
    entry.kind = "error";
    entry.text = "!! session error, line " + std::to_string(step.line) + ": " + error_;
    entry.fields = {{"line", std::int64_t{step.line}}, {"message", error_}};
    transcript_.add(std::move(entry));
    return Outcome::failed;
}

bool SessionRunner::startUp(vesk_load_function entry)
{
    beginAction("start-up", 0);
    return emulator_.start(entry);
}

void SessionRunner::finish()
{
    if (!emulator_.running())
        return;
    beginAction("shutdown at the end of the session", 0);
    emulator_.shutdown();
}

SessionRunner::Outcome SessionRunner::run(const Step& step)
{
    switch (step.kind) {
    case Step::Kind::panel:
        header(step.source, step.line);
        panel_ = step.words[0];
        return Outcome::carryOn;
    case Step::Kind::show:
        header(step.source, step.line);
        if (step.words[0] == "routes")
            show(routesTable(emulator_.plant()));
        else if (step.words[0] == "timers")
            show(timersTable(emulator_.timers()));
        else if (step.words[1].empty())
            show(panelsTable(emulator_.panels()));
        else if (const LoadedPanel* panel = emulator_.panels().find(step.words[1]))
            show(panelTable(*panel));
        else
            show("panel " + quoteText(step.words[1]) + " is not loaded");
        return Outcome::carryOn;
    case Step::Kind::replies:
        header(step.source, step.line);
        emulator_.setReplyMode(*replyModeNamed(step.words[0]));
        return Outcome::carryOn;
    case Step::Kind::help:
        show(std::string("steps:\n") + sessionHelp());
        return Outcome::carryOn;
    case Step::Kind::quit:
        return Outcome::quit;
    case Step::Kind::expectCommand:
    case Step::Kind::expectNoMoreCommands:
    case Step::Kind::expectProperty:
    case Step::Kind::expectAnswer:
        expect(step);
        return Outcome::carryOn;
    default:
        return action(step);
    }
}

SessionRunner::Outcome SessionRunner::action(const Step& step)
{
    const bool needsScript = step.kind == Step::Kind::press || step.kind == Step::Kind::query ||
                             step.kind == Step::Kind::revertive || step.kind == Step::Kind::tick ||
                             step.kind == Step::Kind::shutdown;
    if (needsScript && !emulator_.running())
        return refuse(step, "the script is not running");
    if (step.kind == Step::Kind::press) {
        const LoadedPanel* panel = emulator_.panels().find(panel_);
        if (!panel)
            return refuse(step, "panel " + quoteText(panel_) + " is not loaded");
        if (!panel->control(step.words[0]))
            return refuse(step, "panel " + quoteText(panel_) + " has no control " + quoteText(step.words[0]));
    }
    beginAction(step.source, step.line);
    switch (step.kind) {
    case Step::Kind::press:
        emulator_.press(panel_, step.words[0], step.words[1]);
        break;
    case Step::Kind::advance:
        emulator_.advance(step.milliseconds);
        break;
    case Step::Kind::query:
        answer_ = emulator_.query(step.text);
        break;
    case Step::Kind::revertive:
        emulator_.revertive(step.device, step.first, step.words[0]);
        break;
    case Step::Kind::route:
        emulator_.route(*emulator_.plant().router(step.device), step.first, step.second);
        break;
    case Step::Kind::poll:
        emulator_.poll(*emulator_.plant().router(step.device), step.first, step.second);
        break;
    case Step::Kind::tick:
        emulator_.tick(step.first);
        break;
    case Step::Kind::shutdown:
        emulator_.shutdown();
        break;
    default:
        break;
    }
    return Outcome::carryOn;
}

void SessionRunner::expectation(const Step& step, bool ok, const std::string& expected, const std::string& actual)
{
    (ok ? met_ : failed_) += 1;
    Entry entry;
    entry.kind = "expect";
    entry.text = std::string(ok ? "ok    " : "FAIL  ") + "line " + std::to_string(step.line) + ": " + step.source;
    if (!ok)
        entry.text += "\n      expected: " + expected + "\n      actual:   " + actual;
    entry.fields = {{"line", std::int64_t{step.line}}, {"step", step.source}, {"ok", ok},
                    {"expected", expected},          {"actual", actual}};
    transcript_.add(std::move(entry));
}

std::string SessionRunner::propertyValue(const std::string& control, const std::string& property, bool& found) const
{
    found = false;
    const LoadedPanel* panel = emulator_.panels().find(panel_);
    if (!panel)
        return "(panel " + quoteText(panel_) + " is not loaded)";
    const LoadedControl* loaded = panel->control(control);
    if (!loaded)
        return "(panel " + quoteText(panel_) + " has no control " + quoteText(control) + ")";
    const auto value = loaded->properties.find(property);
    if (value == loaded->properties.end())
        return "(" + quoteText(control) + " has no property " + quoteText(property) + ")";
    found = true;
    return quoteText(value->second);
}

void SessionRunner::expect(const Step& step)
{
    switch (step.kind) {
    case Step::Kind::expectCommand: {
        const std::string expected = quoteText(step.words[0]);
        if (cursor_ >= commands_.size()) {
            expectation(step, false, expected, "no further command from the last action");
            return;
        }
        const std::string actual = commands_[cursor_++];
        expectation(step, actual == step.words[0], expected, quoteText(actual));
        return;
    }
    case Step::Kind::expectNoMoreCommands: {
        const std::size_t left = commands_.size() - cursor_;
        std::string actual = "nothing more";
        if (left > 0)
            actual = quoteText(commands_[cursor_]) + (left > 1 ? " and " + std::to_string(left - 1) + " more" : "");
        expectation(step, left == 0, "nothing more", actual);
        cursor_ = commands_.size();
        return;
    }
    case Step::Kind::expectProperty: {
        bool found = false;
        const std::string actual = propertyValue(step.words[0], step.words[1], found);
        const std::string expected = quoteText(step.words[2]);
        expectation(step, found && actual == expected, expected, actual);
        return;
    }
    case Step::Kind::expectAnswer: {
        const std::string expected = step.text ? quoteText(*step.text) : "null";
        if (!answer_) {
            expectation(step, false, expected, "no query has been sent");
            return;
        }
        const std::string actual = *answer_ ? quoteText(**answer_) : "null";
        expectation(step, actual == expected, expected, actual);
        return;
    }
    default:
        return;
    }
}

} // namespace vesk_host
