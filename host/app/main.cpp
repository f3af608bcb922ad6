// vesk_host: the command-line front end. Each subcommand describes its
// options and its action (run_command.cpp, validate_command.cpp, ...); this
// file puts them together; command_line.cpp parses the line. Where the
// validator is a program of its own (VESK_HOST_VALIDATE_APART), the line
// "vesk_host validate ..." is handed to it whole.
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/new_script.h"
#include "app/output.h"
#include "app/program_text.h"
#include "app/run_command.h"
#include "app/serve_command.h"
#include "app/validate_command.h"
#include "events/rules.h"
#if defined(VESK_HOST_VALIDATE_APART)
#include "app/sibling_program.h"
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

#if defined(VESK_HOST_VALIDATE_APART)
int validateApart(const std::vector<std::string>& words)
{
    return execSibling("vesk_host_validate", words, "validate", " (build the target vesk_host_validate)");
}

// validate in the commands' list and help; its line never reaches the
// parser here (main hands it on first).
Command validateApartCommand()
{
    return Command{"validate", validateDescription, {}, "", [](const std::vector<std::string>& extras) {
                       std::vector<std::string> words = {"validate"};
                       words.insert(words.end(), extras.begin(), extras.end());
                       return validateApart(words);
                   }};
}
#endif

} // namespace

int main(int argc, char** argv)
{
#if defined(VESK_HOST_VALIDATE_APART)
    if (argc > 1 && std::strcmp(argv[1], "validate") == 0)
        return validateApart(std::vector<std::string>(argv + 1, argv + argc));
#endif
    // Standard output in binary mode from the start, for every subcommand.
    Output::standard();
#if defined(VESK_HOST_VALIDATE_APART)
    Command validate = validateApartCommand();
#else
    Command validate = validateCommand();
#endif
    const Program program{programDescription, exitCodeHelp(), programVersion,
                          {runCommand(), std::move(validate), serveCommand(), newCommand(), rulesCommand()}};
    return runCommandLine(program, argc, argv);
}
