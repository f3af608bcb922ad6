// How subcommands meet the command-line library: each one adds its options
// to a CLI11 subcommand and hands back what runs it once the line is
// parsed. Every option's help text is written once, where it is added.
#ifndef VESK_HOST_COMMAND_LINE_H
#define VESK_HOST_COMMAND_LINE_H

#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vesk_host {

struct Subcommand {
    CLI::App* app = nullptr;
    std::function<int()> run;
};

// "vesk_host NAME: message" and a pointer to --help on standard error;
// returns the usage exit code.
int usageError(const std::string& command, const std::string& message);

// Arguments CLI11 left over (the subcommand allows extras, so that they are
// worded here): an option nobody knows, or a second positional word.
// Returns a usage message, or an empty text when nothing is left over.
std::string leftOver(const std::vector<std::string>& remaining, const std::string& positional,
                     const std::string& what);

// CLI11's message in the emulator's words where it has a better one (an
// option given twice); otherwise unchanged.
std::string parseErrorText(const std::string& message);

// An argument that gives an option an empty value ("--plant="), which would
// otherwise leave the option unset or take the next word as its value:
// a usage message, or an empty text when there is none.
std::string emptyOptionValue(int argc, const char* const* argv);

} // namespace vesk_host

#endif
