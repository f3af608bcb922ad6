// Turns what is done on the live page into a session file that replays it:
// each step as a line, each action followed by "expect command" lines for
// every command it made the script send, "expect no-more-commands", and
// "expect property" lines for the final values of the properties it
// changed. "vesk_host run --session" then replays the file with exit 0.
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

struct PropertyFact {
    std::string panel, control, property, value;
};

// What one action did, as the script's process reports it.
struct ActionFacts {
    // Every command the action made the script send, in order ("(null)" for a null text).
    std::vector<std::string> commands;
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

    // `header`: comment lines for the top of the file, each without "# " and line end.
    explicit Recorder(const std::vector<std::string>& header);

    // The script's start-up, the first action of every session.
    void startUp(const ActionFacts& facts);
    // A step that was carried out, with what it did.
    void step(const Step& step, const ActionFacts& facts);
    // A step the session refused (written as a comment: a replay would stop there).
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
    void expectations(const ActionFacts& facts);

    std::string out_;
    std::int64_t pendingAdvance_ = 0;
    bool advancePending_ = false;
    std::string panel_ = "1";
    bool full_ = false;
};

} // namespace vesk_host::web

#endif
