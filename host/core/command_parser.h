// Reading a command text the script sends with code 0, by the form its
// row of the command table gives.
//
// Form: two upper-case letters, then the arguments, each after exactly one
// blank; numbers in plain signed decimal, texts in apostrophes. Nothing in
// a text is escaped, so an apostrophe may stand inside one: the reader
// splits quoted arguments only at "' '" and, where a command has more
// such separators than arguments, lets its first text take the extra
// pieces (for "TP" that is the assignment, the one free-form text) and
// marks the reading as ambiguous. Any other deviation is refused with a
// message naming the rule broken; the reader never fails on any input.
#ifndef VESK_HOST_COMMAND_PARSER_H
#define VESK_HOST_COMMAND_PARSER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command_table.h"
#include "result.h"

namespace vesk_host {

struct ParsedCommand {
    const CommandRow* row = nullptr;    // never null in a parsed command
    std::vector<std::string> texts;     // the quoted arguments, in order
    std::vector<std::int32_t> numbers;  // the numeric arguments, in order
    bool add = false;                   // "RR ... 'ADD'"
    bool ambiguous = false;             // the quoting allowed another reading
};

// The error names the rule broken (unknown-command or malformed-command).
Result<ParsedCommand> parseCommand(std::string_view text);

} // namespace vesk_host

#endif
