// Session steps: what an engineer types at the prompt or writes in a
// session file, one step a line. Words are separated by blanks; a word with
// blanks is written in double quotes (\" \\ \n \t inside); '#' starts a
// comment. Each step is a type of its own; one table of steps gives the
// reader, the help text and the docs' steps table. Devices are named by
// instance name or number.
#ifndef VESK_HOST_SESSION_STEPS_H
#define VESK_HOST_SESSION_STEPS_H

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/result.h"
#include "commands/reply_modes.h"
#include "plant/plant.h"

namespace vesk_host {

// The most steps one soak takes. The soak keeps every reply it hands out
// for the release checks: 2000 steps of a quick script take a few seconds
// and about 350 MB; ten million take a few minutes (a night's run is about a
// million), and a longer soak is better run as more seeds.
constexpr std::int64_t mostSoakSteps = 10000000;

namespace step {
struct Press {
    std::string control;
    std::string event;
};
struct Panel {
    std::string id;
};
struct Event {  // a control event on any panel id, loaded or not
    std::string panel;
    std::string control;
    std::string event;
};
struct Advance {
    std::int64_t milliseconds;
};
struct Query {
    std::optional<std::string> text;  // nothing: a null query
};
struct Revertive {
    std::int32_t device;
    std::int32_t index;
    std::string text;
};
struct Route {
    std::int32_t router;
    std::int32_t source;
    std::int32_t destination;
};
struct Poll {
    std::int32_t router;
    std::int32_t first;
    std::int32_t last;
};
struct Tick {
    std::int32_t id;
};
struct Replies {
    ReplyMode mode;
};
struct Show {
    enum class What { panel, routes, timers };
    What what;
    std::string panel;  // empty: every loaded panel
};
struct ExpectCommand {
    std::string text;
};
struct ExpectNoMoreCommands {};
struct ExpectProperty {
    std::string control;
    std::string property;
    std::string value;
};
struct ExpectAnswer {
    std::optional<std::string> text;  // nothing: null
};
struct ExpectHandedBack {
    std::optional<std::string> text;  // nothing: null
};
struct Soak {
    std::int64_t steps;
    std::uint64_t seed;
};
struct Shutdown {};
struct Quit {};
struct Help {};
} // namespace step

using StepAction =
    std::variant<step::Press, step::Panel, step::Event, step::Advance, step::Query, step::Revertive, step::Route,
                 step::Poll, step::Tick, step::Replies, step::Show, step::ExpectCommand, step::ExpectNoMoreCommands,
                 step::ExpectProperty, step::ExpectAnswer, step::ExpectHandedBack, step::Soak, step::Shutdown,
                 step::Quit, step::Help>;

struct Step {
    int line = 0;
    std::string source;  // the step in canonical form, for the transcript
    StepAction action;
    // The studio position the step names ("@B press ..."); empty: none
    // named, so the first position (a plain run's one script).
    std::string position;
};

// One line: nothing for a blank or comment line; devices are checked against `plant`.
Result<std::optional<Step>> parseStep(std::string_view line, int lineNumber, const Plant& plant);

// Reads a session a line at a time and hands each step to `visit`, which
// returns false to stop; nothing is kept, so a session of any length reads
// in bounded memory. Errors read "name:line: what is wrong". A byte-order
// mark at the start is skipped.
Status forEachStep(std::istream& lines, const std::string& name, const Plant& plant,
                   const std::function<bool(const Step& step)>& visit);
// Whether every line of a session is a step, as forEachStep would read it,
// without making the steps: the quick first reading of a session file.
// With the studio's `positions`, a step that names another is refused too.
Status checkSteps(std::istream& lines, const std::string& name, const Plant& plant,
                  const std::vector<std::string>* positions = nullptr);
// Why a step's @NAME cannot be carried out by a run of these positions.
std::string noPosition(const std::string& name, const std::vector<std::string>& positions);
// A whole session text, as steps.
Result<std::vector<Step>> parseSession(std::string_view text, const std::string& name, const Plant& plant);

// The keywords that start the step's line ("press", "show routes"), from the step table.
std::string stepKeywords(const StepAction& action);

// The steps with their forms and descriptions, for "help" and --help.
std::string sessionHelp();
// The docs' steps table (Markdown).
std::string stepTableMarkdown();

} // namespace vesk_host

#endif
