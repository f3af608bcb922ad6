#include "session/session_runner.h"

#include "base/text_util.h"
#include "plant/panel_view.h"
#include "session/soak_steps.h"
#include "traps/fatal_watch.h"

namespace vesk_host {

std::string panelsOfEveryPosition(const Emulator& emulator)
{
    if (!emulator.studio())
        return panelsTable(emulator.panels());
    std::string out;
    for (std::size_t at = 0; at < emulator.positionCount(); ++at)
        out += (out.empty() ? "" : "\n") + ("position @" + emulator.positionName(at) + ":\n") +
               panelsTable(emulator.panels(at));
    return out;
}

SessionRunner::SessionRunner(Emulator& emulator, EventBus& events)
    : emulator_(emulator), events_(events), seats_(emulator.positionCount())
{
    events_.subscribe(*this);
}

SessionRunner::~SessionRunner() { events_.unsubscribe(*this); }

void SessionRunner::ActionTexts::push(std::optional<std::string_view> text)
{
    if (count_ == texts_.size()) {
        texts_.emplace_back();
        present_.push_back(false);
    }
    present_[count_] = text.has_value();
    texts_[count_].assign(text ? *text : std::string_view());
    ++count_;
}

std::optional<std::string_view> SessionRunner::ActionTexts::operator[](std::size_t i) const
{
    if (!present_[i])
        return std::nullopt;
    return std::string_view(texts_[i]);
}

void SessionRunner::observeFrom(const HostEvent& event, const Origin& origin)
{
    // What the host does outside any position's call is no script's.
    if (origin.position < 0 || static_cast<std::size_t>(origin.position) >= seats_.size())
        return;
    Seat& seat = seats_[static_cast<std::size_t>(origin.position)];
    if (const auto* sent = std::get_if<CommandSent>(&event)) {
        seat.commands.push(sent->text ? std::string_view(*sent->text) : std::string_view("(null)"));
    } else if (const auto* back = std::get_if<ReplyReturned>(&event)) {
        if (back->pointer == ReplyReturned::Pointer::null)
            seat.handedBack.push(std::nullopt);
        else
            seat.handedBack.push(back->pointer == ReplyReturned::Pointer::unknown ? std::string_view("(unknown)")
                                                                                  : std::string_view(back->text));
    }
}

void SessionRunner::checkAllExpected()
{
    // After a refused step the run stops there: that is the fault to report.
    if (!strict_ || refused_)
        return;
    std::size_t left = 0;
    std::string first;
    for (std::size_t at = 0; at < seats_.size(); ++at) {
        Seat& seat = seats_[at];
        if (seat.cursor >= seat.commands.size())
            continue;
        if (left == 0)
            first = (emulator_.studio() ? "@" + emulator_.positionName(at) + " " : std::string()) +
                    quoteText(*seat.commands[seat.cursor]);
        left += seat.commands.size() - seat.cursor;
        seat.cursor = seat.commands.size();
    }
    if (left == 0)
        return;
    std::string actual =
        first + (left > 1 ? " and " + std::to_string(left - 1) + " more" : std::string()) + " not expected";
    failed_ += 1;
    events_.emit(ExpectationChecked{actionLine_, action_, false, "every command expected (a strict session)", actual});
}

void SessionRunner::beginAction(const std::string& text, int line)
{
    checkAllExpected();
    action_ = text;
    actionLine_ = line;
    for (Seat& seat : seats_) {
        seat.commands.clear();
        seat.cursor = 0;
        seat.handedBack.clear();
        seat.handedBackCursor = 0;
    }
    header(text, line);
}

void SessionRunner::header(const std::string& text, int line)
{
    events_.emit(StepStarted{text, emulator_.timers().now(), line});
}

void SessionRunner::show(const std::string& text) { events_.emit(StateShown{text}); }

Error SessionRunner::refuse(const Step& step, std::string message) { return refuse(step, fail(std::move(message))); }

Error SessionRunner::refuse(const Step& step, Error error)
{
    refused_ = true;
    events_.emit(StepRefused{step.line, error.message});
    return error;
}

Status SessionRunner::startUp(vesk_load_function entry)
{
    return startUp(std::vector<vesk_load_function>{entry});
}

Status SessionRunner::startUp(const std::vector<vesk_load_function>& entries)
{
    beginAction("start-up", 0);
    for (std::size_t at = 0; at < entries.size() && at < emulator_.positionCount(); ++at)
        if (Status started = emulator_.start(entries[at], false, at); !started)
            return emulator_.studio() ? placed("@" + emulator_.positionName(at), started.error()) : started;
    return Done{};
}

void SessionRunner::finish()
{
    checkAllExpected();
    if (!emulator_.anyRunning())
        return;
    strict_ = false;
    beginAction("shutdown at the end of the session", 0);
    emulator_.shutdown();
}

// One overload per step type: what the step does.
struct SessionRunner::Visitor {
    SessionRunner& runner;
    const Step& step;

    std::size_t at;  // the position the step addresses

    Emulator& emulator() const { return runner.emulator_; }
    Seat& seat() const { return runner.seats_[at]; }
    // "the script" or, in a studio, "the script of @B", for refusals.
    std::string theScript() const
    {
        return emulator().studio() ? "the script of @" + emulator().positionName(at) : std::string("the script");
    }

    // An action that needs a running script: its header, then the refusal or the action.
    template <class Act> Result<StepResult> scriptAction(Act act) const
    {
        runner.beginAction(step.source, step.line);
        if (!emulator().running(at))
            return runner.refuse(step, theScript() + " is not running");
        act();
        return StepResult::carryOn;
    }
    template <class Act> Result<StepResult> plantAction(Act act) const
    {
        runner.beginAction(step.source, step.line);
        act();
        return StepResult::carryOn;
    }

    Result<StepResult> operator()(const step::Press& press) const
    {
        runner.beginAction(step.source, step.line);
        if (!emulator().running(at))
            return runner.refuse(step, theScript() + " is not running");
        const std::string& current = seat().panel;
        const LoadedPanel* panel = emulator().panels(at).find(current);
        if (!panel)
            return runner.refuse(step, "panel " + quoteText(current) + " is not loaded");
        if (!panel->control(press.control))
            return runner.refuse(step, "panel " + quoteText(current) + " has no control " +
                                           quoteText(press.control));
        emulator().press(current, press.control, press.event, at);
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::Event& event) const
    {
        return scriptAction([&] { emulator().press(event.panel, event.control, event.event, at); });
    }
    Result<StepResult> operator()(const step::Soak& soak) const
    {
        runner.checkAllExpected();
        runner.header(step.source, step.line);
        const bool strict = runner.strict_;
        runner.strict_ = false;
        struct Restore {
            SessionRunner& runner;
            bool strict;
            ~Restore()
            {
                for (Seat& seat : runner.seats_)
                    seat.cursor = seat.commands.size();
                runner.strict_ = strict;
            }
        } restore{runner, strict};
        SoakSteps steps(soak.seed);
        for (std::int64_t number = 1; number <= soak.steps && emulator().running(); ++number) {
            const std::string line = steps.next(emulator(), runner.seats_.front().panel);
            auto parsed = parseStep(line, step.line, emulator().plant());
            if (!parsed || !*parsed)
                return runner.refuse(step, "soak step " + std::to_string(number) + " " + quoteText(line) +
                                               " does not read back");
            const Result<StepResult> result = runner.run(**parsed);
            if (!result)
                return runner.refuse(step, placed("soak step " + std::to_string(number) + " " + quoteText(line),
                                                  result.error()));
        }
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::ExpectHandedBack& expect) const
    {
        const auto shown = [](const std::optional<std::string>& text) { return text ? quoteText(*text) : "null"; };
        const std::string expected = shown(expect.text);
        if (seat().handedBackCursor >= seat().handedBack.size()) {
            runner.expectation(step, false, expected, "no further hand-back in the last action");
        } else {
            const auto actual = seat().handedBack[seat().handedBackCursor++];
            const std::optional<std::string> held = actual ? std::optional<std::string>(*actual) : std::nullopt;
            runner.expectation(step, held == expect.text, expected, shown(held));
        }
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::Panel& panel) const
    {
        runner.header(step.source, step.line);
        seat().panel = panel.id;
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::Advance& advance) const
    {
        return plantAction([&] { emulator().advance(advance.milliseconds); });
    }
    Result<StepResult> operator()(const step::Query& query) const
    {
        return scriptAction([&] { runner.answer_ = emulator().query(query.text, at); });
    }
    Result<StepResult> operator()(const step::Revertive& revertive) const
    {
        return scriptAction([&] { emulator().revertive(revertive.device, revertive.index, revertive.text, at); });
    }
    Result<StepResult> operator()(const step::Route& route) const
    {
        return plantAction(
            [&] { emulator().route(*emulator().plant().router(route.router), route.source, route.destination); });
    }
    Result<StepResult> operator()(const step::Poll& poll) const
    {
        return plantAction(
            [&] { emulator().poll(*emulator().plant().router(poll.router), poll.first, poll.last, at); });
    }
    Result<StepResult> operator()(const step::Tick& tick) const
    {
        return scriptAction([&] { emulator().tick(tick.id, at); });
    }
    Result<StepResult> operator()(const step::Replies& replies) const
    {
        runner.header(step.source, step.line);
        emulator().setReplyMode(replies.mode, at);
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::Show& show) const
    {
        runner.header(step.source, step.line);
        switch (show.what) {
        case step::Show::What::routes: runner.show(routesTable(emulator().plant(), runner.positionNames())); break;
        case step::Show::What::timers: runner.show(timersTable(emulator().timers(), runner.positionNames())); break;
        case step::Show::What::panel:
            if (show.panel.empty())
                runner.show(panelsTable(emulator().panels(at)));
            else if (const LoadedPanel* panel = emulator().panels(at).find(show.panel))
                runner.show(panelTable(*panel));
            else
                runner.show("panel " + quoteText(show.panel) + " is not loaded");
            break;
        }
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::ExpectCommand& expect) const
    {
        const std::string expected = quoteText(expect.text);
        if (seat().cursor >= seat().commands.size()) {
            runner.expectation(step, false, expected, "no further command from the last action");
        } else {
            const std::string_view actual = *seat().commands[seat().cursor++];
            runner.expectation(step, actual == expect.text, expected, quoteText(actual));
        }
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::ExpectNoMoreCommands&) const
    {
        const std::size_t left = seat().commands.size() - seat().cursor;
        std::string actual = "nothing more";
        if (left > 0)
            actual = quoteText(*seat().commands[seat().cursor]) +
                     (left > 1 ? " and " + std::to_string(left - 1) + " more" : "");
        runner.expectation(step, left == 0, "nothing more", actual);
        seat().cursor = seat().commands.size();
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::ExpectProperty& expect) const
    {
        const Result<std::string> actual = runner.propertyValue(at, expect.control, expect.property);
        const std::string expected = quoteText(expect.value);
        // What there is instead of a value is shown in parentheses.
        runner.expectation(step, actual && *actual == expected, expected,
                           actual ? *actual : "(" + actual.error().message + ")");
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::ExpectAnswer& expect) const
    {
        const std::string expected = expect.text ? quoteText(*expect.text) : "null";
        if (!runner.answer_) {
            runner.expectation(step, false, expected, "no query has been sent");
        } else {
            const std::string actual = *runner.answer_ ? quoteText(**runner.answer_) : "null";
            runner.expectation(step, actual == expected, expected, actual);
        }
        return StepResult::carryOn;
    }
    Result<StepResult> operator()(const step::Shutdown&) const
    {
        return scriptAction([&] { emulator().shutdown(at); });
    }
    Result<StepResult> operator()(const step::Quit&) const { return StepResult::quit; }
    Result<StepResult> operator()(const step::Help&) const
    {
        runner.show("steps:\n" + sessionHelp());
        return StepResult::carryOn;
    }
};

Result<StepResult> SessionRunner::run(const Step& step)
{
    std::size_t at = 0;
    if (!step.position.empty()) {
        const auto named = emulator_.positionNamed(step.position);
        if (!named || !emulator_.studio()) {
            header(step.source, step.line);
            return refuse(step, noPosition(step.position, emulator_.positionNames()));
        }
        at = *named;
    }
    fatal::stepStarted(step.line, step.source);
    Result<StepResult> result = std::visit(Visitor{*this, step, at}, step.action);
    fatal::stepEnded();
    // The run stops at the first thing the memory budget refused.
    if (result && *result == StepResult::carryOn)
        if (const auto over = emulator_.overBudget())
            return refuse(step, *over);
    return result;
}

void SessionRunner::expectation(const Step& step, bool ok, const std::string& expected, const std::string& actual)
{
    (ok ? met_ : failed_) += 1;
    events_.emit(ExpectationChecked{step.line, step.source, ok, expected, actual});
}

const std::vector<std::string>* SessionRunner::positionNames() const
{
    return emulator_.studio() ? &emulator_.positionNames() : nullptr;
}

Result<std::string> SessionRunner::propertyValue(std::size_t at, const std::string& control,
                                                 const std::string& property) const
{
    const std::string& current = seats_[at].panel;
    const LoadedPanel* panel = emulator_.panels(at).find(current);
    if (!panel)
        return fail("panel " + quoteText(current) + " is not loaded");
    const LoadedControl* loaded = panel->control(control);
    if (!loaded)
        return fail("panel " + quoteText(current) + " has no control " + quoteText(control));
    const auto value = loaded->properties.find(property);
    if (value == loaded->properties.end())
        return fail(quoteText(control) + " has no property " + quoteText(property));
    return quoteText(value->second);
}

} // namespace vesk_host
