// Turns what is done on the live page into a session file that replays it
// to the verdict the page showed: each step as a line, each action followed
// by "expect command" lines for every command it made the script send,
// "expect no-more-commands", and "expect property" lines for the final
// values of the properties it changed. A session of clean steps replays
// with exit 0.
//
// Expectations typed on the page are written as typed, where they were
// typed: right after their action, before the recorder's own expectations
// for it, which check only the commands the typed ones did not (and are
// written when the next action comes, or when the text is read). So an
// expectation that failed on the page fails on replay, one that passed
// passes; a failed one is also marked with a comment. A step the page
// refused (unreadable, unknown, or refused by the session) is a comment:
// it changed nothing, and the replay goes on past it.
//
// The virtual clock is recorded as "advance" steps. Advances that caused
// nothing are joined to the next advance, so a page in real-time mode does
// not write one line per clock tick; joining them changes nothing, as due
// ticks are delivered in time order either way.
#ifndef VESK_HOST_WEB_RECORDER_H
#define VESK_HOST_WEB_RECORDER_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/session_steps.h"

namespace vesk_host::web {

// In a studio each fact is a position's, named by `position`; the one
// script of a plain run has the empty name.
struct PropertyFact {
    std::string panel, control, property, value;
    std::string position;
};

struct CommandFact {
    std::string text;
    std::string position;
    bool operator==(const CommandFact& other) const { return text == other.text && position == other.position; }
};

// What one action did, as the script's process reports it.
struct ActionFacts {
    // Every command the action made the scripts send, in order ("(null)" for a null text).
    std::vector<CommandFact> commands;
    // The properties the action changed, with their values after it, in the order first changed.
    std::vector<PropertyFact> properties;
    // The answer to a query step: nothing when the step was no query; a null answer.
    std::optional<std::optional<std::string>> answer;
    // False when the action sent more than the process reports: no
    // command expectations are then written for it.
    bool complete = true;
};

class Recorder {
public:
    // The recording stops growing past this many bytes (and says so).
    static constexpr std::size_t maxBytes = 64u << 20;

    // `header`: comment lines for the top of the file, each without "# " and
    // line end. `positions`: a studio's position names, in order; none for
    // a plain run. In a studio every step and expectation that addresses a
    // position names it ("@B press ...", "expect @B command ..."), and each
    // action checks every position's commands.
    explicit Recorder(const std::vector<std::string>& header, const std::vector<std::string>& positions = {});

    // The script's start-up, the first action of every session.
    void startUp(const ActionFacts& facts);
    // A step that was carried out, with what it did. For an expectation,
    // `failure` is what the page said when it failed, empty when it passed.
    void step(const Step& step, const ActionFacts& facts, const std::string& failure = {});
    // A step the page refused: unreadable, or refused by the session.
    void refused(const std::string& line, const std::string& why);
    // The step during which the script's process ended (crash, hang, exit):
    // written, so that the file replays it, with a comment saying what happened.
    void died(const Step& step, const std::string& what);

    // The session file as it stands (an advance still being joined included).
    std::string text() const;
    // Whether steps were left out because the recording reached maxBytes.
    bool full() const { return full_; }

private:
    void write(const std::string& line);
    void flushAdvance();
    void flushExpectations();
    // The recorder's own expectations for the pending action, leaving out
    // the commands that expectations typed on the page have checked.
    std::string expectations(const ActionFacts& facts) const;

    // What the recorder keeps for each position ("" in a plain run).
    struct Seat {
        std::string name;
        std::string panel = "1";        // its current panel, as "panel" steps set it
        std::size_t typedCommands = 0;  // "expect command" lines typed since the last action
        bool typedNoMore = false;       // "expect no-more-commands" typed since: every command is checked
    };
    Seat& seat(const std::string& position);
    // The expectations of one position for `facts`.
    void positionExpectations(const Seat& seat, const ActionFacts& facts, std::string& out) const;

    std::string out_;
    std::int64_t pendingAdvance_ = 0;
    bool advancePending_ = false;
    // The last action's facts, until its expectations are written, and the
    // position its step addressed (whose the answer to a query is).
    std::optional<ActionFacts> pendingFacts_;
    std::string pendingPosition_;
    std::vector<Seat> seats_;
    bool full_ = false;
};

} // namespace vesk_host::web

#endif
