// The types a command is made of, shared by the command table, the parser
// and the executor: a row of the table (letters, argument shape, reply,
// hand-back rule, handler, docs) and a command read by its row. Types
// only, so that each of the three can include it without the others.
#ifndef VESK_HOST_COMMAND_H
#define VESK_HOST_COMMAND_H

#include <cstdint>
#include <string>
#include <vector>

namespace vesk_host {

// How the arguments after the letters are written.
enum class ArgumentShape {
    none,     // no argument
    texts,    // texts in apostrophes
    numbers,  // plain signed decimal numbers, perhaps ending in the row's flag word
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
    // A word the numbers may end with, which the command reads as a flag ("RR ... 'ADD'"), or null.
    const char* flagWord = nullptr;
};

struct ParsedCommand {
    const CommandRow* row = nullptr;    // never null in a parsed command
    std::vector<std::string> texts;     // the quoted arguments, in order
    std::vector<std::int32_t> numbers;  // the numeric arguments, in order
    bool flagged = false;               // the numbers ended in the row's flag word ("RR ... 'ADD'")
    bool ambiguous = false;             // the quoting allowed another reading
};

} // namespace vesk_host

#endif
