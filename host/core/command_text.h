// Reading a command text the script sends with code 0.
//
// Form: two upper-case letters, then the arguments, each after exactly one
// blank; numbers in plain signed decimal, texts in apostrophes. Nothing in
// a text is escaped, so an apostrophe may stand inside one: the reader
// splits quoted arguments only at "' '" and, where a command has more
// such separators than arguments, lets its first text take the extra
// pieces (for "TP" that is the assignment, the one free-form text) and
// marks the reading as ambiguous. Any other deviation is refused with a
// message; the reader never fails on any input.
#ifndef VESK_HOST_COMMAND_TEXT_H
#define VESK_HOST_COMMAND_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules.h"

namespace vesk_host {

struct CommandText {
    std::string letters;             // "SD", "RC", ...
    std::vector<std::string> texts;  // the quoted arguments, in order
    std::vector<std::int32_t> numbers;  // the numeric arguments, in order
    bool add = false;                // "RR ... 'ADD'"
    bool ambiguous = false;          // the quoting allowed another reading
};

struct CommandParse {
    bool ok = false;
    CommandText command;
    // When not ok: the rule broken (unknown or malformed) and what is wrong.
    const Rule* rule = nullptr;
    std::string error;
};

CommandParse parseCommandText(std::string_view text);

// The form of each command, for messages: "SD 'instance'" and so on.
std::string commandForm(std::string_view letters);

} // namespace vesk_host

#endif
