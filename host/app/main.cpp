// vesk_host: the command-line front end. Each subcommand describes its
// options and its action (run_command.cpp, validate_command.cpp, ...); this
// file puts them together; command_line.cpp parses the line.
#include <iostream>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/new_script.h"
#include "app/output.h"
#include "app/run_command.h"
#include "app/serve_command.h"
#include "app/validate_command.h"
#include "events/rules.h"

#ifndef VESK_HOST_VERSION
#define VESK_HOST_VERSION "unknown"
#endif

namespace {

using namespace vesk_host;

Command newCommand()
{
    auto name = std::make_shared<std::string>();
    auto folder = std::make_shared<std::string>();
    return Command{
        "new",
        "write a new script project (see docs/writing_a_script.md)",
        {{"name", "the script's name, a C++ identifier (the class and the library)", "NAME", name.get()},
         {"folder", "where to write it (default: a new folder NAME here); never overwritten", "FOLDER", folder.get()}},
        "",
        [name, folder](const std::vector<std::string>& extras) {
            if (const auto message = leftOver(extras, *folder, "folder"); !message.empty())
                return usageError("new", message);
            if (name->empty())
                return usageError("new", "name the script: vesk_host new NAME [FOLDER]");
            return newScript(*name, *folder);
        }};
}

Command rulesCommand()
{
    return Command{"rules", "list the rules the emulator checks", {}, "", [](const std::vector<std::string>&) {
                       for (const Rule* rule : allRules())
                           std::cout << rule->name << " (" << severityName(rule->severity) << "): " << rule->description
                                     << "\n";
                       return static_cast<int>(exitSuccess);
                   }};
}

} // namespace

int main(int argc, char** argv)
{
    // Standard output in binary mode from the start, for every subcommand.
    Output::standard();
    const Program program{
        "vesk_host: the panel host emulator. It loads a panel script library, drives it against a\n"
        "simulated plant, and checks that the script keeps the host interface's rules.",
        exitCodeHelp(), VESK_HOST_VERSION,
        {runCommand(), validateCommand(), serveCommand(), newCommand(), rulesCommand()}};
    return runCommandLine(program, argc, argv);
}
