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

namespace vesk_host {

// How the arguments after the letters are written.
enum class ArgumentShape {
    none,     // no argument
    texts,    // texts in apostrophes
    numbers,  // plain signed decimal numbers ("RR" may end in 'ADD')
    route,    // "RC device source destination ',extra' flag"
};

// What the host's reply to the command is.
enum class ReplyKind {
    ignored,  // null from the plant; the script does not read it
    text,     // a host-owned text, or null
    list,     // a host-owned text of items joined with ",", or null ("XI")
    status,   // a word read as an integer ("PS": 1 loaded, 0 not)
};

// Whether the script hands the reply back with code 5.
enum class HandBack {
    never,
    whenNotNull,  // a text reply comes back; a null one does not
    always,       // comes back even when null (the script hands back what it got)
};

struct ParsedCommand;
struct CommandContext;
struct Execution;
using CommandHandler = Execution (*)(CommandContext& context, const ParsedCommand& command);

struct CommandRow {
    const char* letters;
    ArgumentShape shape;
    int fewest;  // arguments at least (texts or numbers)
    int most;    // arguments at most
    const char* form;  // "SD 'instance'", for messages and the docs
    ReplyKind reply;
    HandBack handBack;
    CommandHandler handler;
    const char* does;     // what the emulator does, one line
    const char* answers;  // what it replies, one line
};

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
// The docs' command table (Markdown), one row per command.
std::string commandTableMarkdown();

} // namespace vesk_host

#endif
