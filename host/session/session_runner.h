// Carries out session steps on an emulator: operator actions, views of the
// state and expectations. The commands an action makes the script send are
// kept (observed on the event bus) until the next action, for "expect
// command". In a studio each position has its own: a step that names
// none ("press", "expect command") addresses the first position, "@B ..."
// (and "expect @B ...") position B; the start-up starts every position in
// order, as one action.
#ifndef VESK_HOST_SESSION_RUNNER_H
#define VESK_HOST_SESSION_RUNNER_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/emulator.h"
#include "session/session_steps.h"

namespace vesk_host {

enum class StepResult { carryOn, quit };

// Every loaded panel, as "show panel" shows them; in a studio each
// position's under a line naming it.
std::string panelsOfEveryPosition(const Emulator& emulator);

class SessionRunner final : private EventObserver {
public:
    // Subscribes to `events` for the script's commands; the emulator and the
    // bus must outlive the runner.
    SessionRunner(Emulator& emulator, EventBus& events);
    ~SessionRunner() override;

    SessionRunner(const SessionRunner&) = delete;
    SessionRunner& operator=(const SessionRunner&) = delete;

    // The script's start-up; fails as Emulator::start does.
    Status startUp(vesk_load_function entry);
    // A studio's start-up: each position's script with its own entry, in
    // position order; the first failure stops it.
    Status startUp(const std::vector<vesk_load_function>& entries);
    // One step; an error when it could not be carried out (the transcript
    // then says why, under the step's own line; a budget refused has the
    // kind overBudget).
    Result<StepResult> run(const Step& step);
    // Ends the script if it still runs. In a strict run the last action's
    // commands are checked first; the shutdown made here is not.
    void finish();
    // Strict: every command an action makes the script send must be read by
    // "expect command" or "expect no-more-commands" before the next action;
    // what is left fails once, on the action's line. Off by default, and
    // off inside a soak, whose generated actions nobody expects.
    void setStrict(bool on) { strict_ = on; }

    int expectationsMet() const { return met_; }
    int expectationsFailed() const { return failed_; }

private:
    struct Visitor;

    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }
    void observeFrom(const HostEvent& event, const Origin& origin) override;
    // A header line for a step; an action also starts a new list of commands.
    void header(const std::string& text, int line);
    void beginAction(const std::string& text, int line);
    // In a strict run: the last action's commands that no expectation read.
    void checkAllExpected();
    // Tells the transcript why the step could not be carried out, and returns the error.
    Error refuse(const Step& step, std::string message);
    Error refuse(const Step& step, Error error);
    void show(const std::string& text);
    void expectation(const Step& step, bool ok, const std::string& expected, const std::string& actual);
    // The studio's position names for views that name them; null in a plain run.
    const std::vector<std::string>* positionNames() const;
    // The property of the position's current panel, quoted; an error says what is missing.
    Result<std::string> propertyValue(std::size_t at, const std::string& control, const std::string& property) const;

    Emulator& emulator_;
    EventBus& events_;
    // Texts of the last action; their storage is kept from one action to
    // the next, so a long run does not allocate them anew.
    class ActionTexts {
    public:
        void clear() { count_ = 0; }
        void push(std::optional<std::string_view> text);
        std::size_t size() const { return count_; }
        std::optional<std::string_view> operator[](std::size_t i) const;

    private:
        std::vector<std::string> texts_;
        std::vector<bool> present_;
        std::size_t count_ = 0;
    };
    // What a session keeps of each position.
    struct Seat {
        std::string panel = "1";  // the current panel
        ActionTexts commands;     // sent by the last action
        std::size_t cursor = 0;   // the next one "expect command" reads
        ActionTexts handedBack;   // texts handed back in the last action (null: a null)
        std::size_t handedBackCursor = 0;
    };
    std::vector<Seat> seats_;  // one per position of the emulator
    std::optional<std::optional<std::string>> answer_;  // of the last query
    std::string action_ = "start-up";  // the last action, for a strict run's failure
    int actionLine_ = 0;
    bool strict_ = false;
    bool refused_ = false;
    int met_ = 0;
    int failed_ = 0;
};

} // namespace vesk_host

#endif
