// How subcommands meet the command line: each one describes its options in
// plain structs (a name, a help text, where the value goes) and what runs it
// once the line is parsed. command_line.cpp alone builds the parser from
// these descriptions, so the command-line library is compiled once. Every
// option's help text is written once, where the option is described.
#ifndef VESK_HOST_COMMAND_LINE_H
#define VESK_HOST_COMMAND_LINE_H

#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace vesk_host {

// Where an option's value is written. A bool is a flag (no value); a
// vector takes the option again and again, in order.
using OptionTarget = std::variant<bool*, std::string*, double*, std::vector<std::string>*>;

// One option, or a positional word when the name does not start with "-".
// The target belongs to the command and must outlive the parse and the run.
struct CommandOption {
    std::string name;      // "--plant", or a positional's word ("library")
    std::string help;      // empty: hidden from --help (internal modes)
    std::string typeName;  // the value's word in --help ("FILE"); empty for a flag
    OptionTarget target;
};

// A subcommand: its options, the text after its --help, and its action.
// The action gets the words no option took (the command words them: an
// option nobody knows, or a second positional) and returns the exit code.
struct Command {
    std::string name;
    std::string description;
    std::vector<CommandOption> options;
    std::string footer;
    std::function<int(const std::vector<std::string>& extras)> run;
};

// The whole program's line: the top-level help (description, footer), the
// commands, "help" and "--version". Parses argv, runs the command named, and
// returns the exit code; usage faults are worded on standard error.
struct Program {
    std::string description;
    std::string footer;
    std::string version;
    std::vector<Command> commands;
};
int runCommandLine(const Program& program, int argc, char** argv);

// "vesk_host NAME: message" and a pointer to --help on standard error;
// returns the usage exit code.
int usageError(const std::string& command, const std::string& message);

// The words no option took (a command takes extras, so that they are worded
// here): an option nobody knows, or a second positional word. Returns a usage
// message, or an empty text when nothing is left over.
std::string leftOver(const std::vector<std::string>& remaining, const std::string& positional,
                     const std::string& what);

// The parser's message in the emulator's words where it has a better one
// (an option given twice); otherwise unchanged.
std::string parseErrorText(const std::string& message);

// An argument that gives an option an empty value ("--plant="), which would
// otherwise leave the option unset or take the next word as its value:
// a usage message (asking for a file where the option is one of
// `fileOptions`), or an empty text when there is none.
std::string emptyOptionValue(int argc, const char* const* argv, const std::vector<std::string>& fileOptions);

} // namespace vesk_host

#endif
