// Session files: one step a line, the same steps an engineer types at the
// interactive prompt. Words are separated by blanks; a word with blanks is
// written in double quotes (\" and \\ inside); '#' starts a comment.
//
//   press CONTROL [EVENT]            control event on the current panel
//   panel ID                         the panel press/show/expect address ("1")
//   advance MS                       move the virtual clock; due timers tick
//   query [TEXT]                     parent query (no TEXT: a null query)
//   revertive DEVICE INDEX TEXT      a revertive from any device
//   route ROUTER SOURCE DESTINATION  a take made outside the script
//   poll ROUTER FIRST [LAST]         revertives for those destinations
//   tick ID                          a tick of timer ID now, running or not
//   replies plant|null|empty|long    how commands are answered from now on
//   show panel [ID] | routes | timers
//   expect command TEXT              the next command of the last action
//   expect no-more-commands          the last action sent nothing more
//   expect property CONTROL PROPERTY VALUE
//   expect answer TEXT | null        the answer to the last query
//   shutdown                         end the script (its destructor runs)
//   quit                             stop here; ends the script if running
// Devices are named by instance name or number.
#ifndef VESK_HOST_SESSION_FILE_H
#define VESK_HOST_SESSION_FILE_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plant.h"

namespace vesk_host {

struct Step {
    enum class Kind {
        press,
        panel,
        advance,
        query,
        revertive,
        route,
        poll,
        tick,
        replies,
        show,
        expectCommand,
        expectNoMoreCommands,
        expectProperty,
        expectAnswer,
        shutdown,
        quit,
        help,
    };
    Kind kind = Kind::help;
    int line = 0;
    std::string source;               // the step in canonical form, for the transcript
    std::vector<std::string> words;   // the step's texts, by kind
    std::optional<std::string> text;  // query text, expected answer (nothing: null)
    std::int32_t device = 0;
    std::int32_t first = 0;
    std::int32_t second = 0;
    std::int64_t milliseconds = 0;
};

struct StepParse {
    std::optional<Step> step;  // nothing for a blank or comment line
    std::string error;         // what is wrong, when not empty
};

// One line; devices are checked against `plant`.
StepParse parseStep(std::string_view line, int lineNumber, const Plant& plant);

struct SessionParse {
    std::vector<Step> steps;
    std::string error;  // "name:line: what is wrong"
};

SessionParse parseSession(std::string_view text, const std::string& name, const Plant& plant);

// The list of steps, for "help" and --help.
const char* sessionHelp();

} // namespace vesk_host

#endif
