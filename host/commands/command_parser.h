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

#include <string_view>

#include "base/result.h"
#include "commands/command.h"

namespace vesk_host {


// The error names the rule broken (unknown-command or malformed-command).
Result<ParsedCommand> parseCommand(std::string_view text);

} // namespace vesk_host

#endif
