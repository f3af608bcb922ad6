// vesk_host: the command-line front end. Each subcommand adds its options
// and its action (run_command.cpp, validate_command.cpp, ...); this file
// puts them together, parses the line and maps failures to exit codes.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/new_script.h"
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

Subcommand addNewCommand(CLI::App& parent)
{
    auto name = std::make_shared<std::string>();
    auto folder = std::make_shared<std::string>();
    CLI::App* app = parent.add_subcommand("new", "write a new script project (see docs/writing_a_script.md)");
    app->add_option("name", *name, "the script's name, a C++ identifier (the class and the library)")
        ->type_name("NAME");
    app->add_option("folder", *folder, "where to write it (default: a new folder NAME here); never overwritten")
        ->type_name("FOLDER");
    app->allow_extras();
    return Subcommand{app, [app, name, folder] {
                          if (const auto message = leftOver(app->remaining(), *folder, "folder"); !message.empty())
                              return usageError("new", message);
                          if (name->empty())
                              return usageError("new", "name the script: vesk_host new NAME [FOLDER]");
                          return newScript(*name, *folder);
                      }};
}

Subcommand addRulesCommand(CLI::App& parent)
{
    CLI::App* app = parent.add_subcommand("rules", "list the rules the emulator checks");
    return Subcommand{app, [] {
                          for (const Rule* rule : allRules())
                              std::cout << rule->name << " (" << severityName(rule->severity)
                                        << "): " << rule->description << "\n";
                          return static_cast<int>(exitSuccess);
                      }};
}

} // namespace

int main(int argc, char** argv)
{
    // Standard output in binary mode from the start, for every subcommand.
    Output::standard();
    CLI::App app("vesk_host: the panel host emulator. It loads a panel script library, drives it against a\n"
                 "simulated plant, and checks that the script keeps the host interface's rules.",
                 "vesk_host");
    app.set_help_flag("-h,--help", "show this text (every subcommand has its own --help)");
    // A path such as /work/plant.toml is a file, also on Windows, never an option.
    app.allow_windows_style_options(false);
    bool version = false;
    app.add_flag("--version", version, "print the version");
    app.footer(exitCodeHelp());
    // Unknown words are worded below, as commands or options.
    app.allow_extras();
    std::vector<Subcommand> subcommands = {addRunCommand(app), addValidateCommand(app), addServeCommand(app),
                                           addNewCommand(app), addRulesCommand(app)};
    CLI::App* help = app.add_subcommand("help", "this text");

    if (argc < 2) {
        std::cerr << app.help();
        return exitUsage;
    }
    if (const std::string empty = emptyOptionValue(argc, argv); !empty.empty()) {
        const std::string command = argv[1];
        if (command == "run" || command == "validate")
            return usageError(command, empty);
        std::cerr << "vesk_host: " << empty << "\n";
        return exitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << (app.get_subcommands().empty() ? app.help() : app.get_subcommands().front()->help());
        return exitSuccess;
    } catch (const CLI::ParseError& error) {
        const auto parsed = app.get_subcommands();
        const std::string command = parsed.empty() ? std::string() : parsed.front()->get_name();
        if (command.empty()) {
            std::cerr << "vesk_host: " << error.what() << " (run, validate, serve, rules, help)\n";
            return exitUsage;
        }
        return usageError(command, parseErrorText(error.what()));
    }
    if (version) {
        std::cout << "vesk_host " VESK_HOST_VERSION "\n";
        return exitSuccess;
    }
    if (help->parsed()) {
        std::cout << app.help();
        return exitSuccess;
    }
    for (const Subcommand& subcommand : subcommands)
        if (subcommand.app->parsed())
            return subcommand.run();
    const auto remaining = app.remaining();
    if (!remaining.empty() && remaining.front().rfind("-", 0) == 0)
        std::cerr << "vesk_host: unknown option " << remaining.front() << " (see vesk_host --help)\n";
    else if (!remaining.empty())
        std::cerr << "vesk_host: unknown command \"" << remaining.front() << "\" (run, validate, serve, new, rules, help)\n";
    else
        std::cerr << app.help();
    return exitUsage;
}
