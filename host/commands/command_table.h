// The command table: one row per command a script sends with code 0. Its
// letters, the shape of its arguments, what the host replies and whether
// that reply comes back with code 5, the handler that carries it out, and
// what the docs say of it. The command parser, the executor, the release
// rules, the reply modes, the fuzzed host and the docs' command table all
// read this table; adding a command means adding a row and its handler.
#ifndef VESK_HOST_COMMAND_TABLE_H
#define VESK_HOST_COMMAND_TABLE_H

#include <cstddef>
#include <string>
#include <string_view>

#include "commands/command.h"

namespace vesk_host {

// Every command, in the order the docs list them.
const CommandRow* commandsBegin();
const CommandRow* commandsEnd();
std::size_t commandCount();
// The row of `letters`, or null.
const CommandRow* findCommand(std::string_view letters);

// Whether a non-null reply to `letters` comes back with code 5.
bool repliesComeBack(std::string_view letters);
// "AS, SD, ... or ET", for messages.
std::string commandLetterList();
// The commands whose replies come back with code 5, quoted, in table order:
// "\"SD\", \"RN\", \"TG\" and \"XI\"" with `last` " and ".
std::string handedBackLetterList(const char* last);
// The docs' command table (Markdown), one row per command.
std::string commandTableMarkdown();

} // namespace vesk_host

#endif
