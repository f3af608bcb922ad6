// The one place that builds the command-line parser (CLI11) from the
// commands' descriptions, parses the line and maps its failures to exit
// codes.
#include "app/command_line.h"

#include <iostream>

#include <CLI/CLI.hpp>

#include "app/exit_codes.h"

namespace vesk_host {

namespace {

void addOption(CLI::App& app, const CommandOption& option)
{
    CLI::Option* added = std::visit(
        [&](auto* target) -> CLI::Option* {
            using Target = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<Target, bool>)
                return app.add_flag(option.name, *target, option.help);
            else if constexpr (std::is_same_v<Target, std::vector<std::string>>)
                // One value each time it is given, so that a positional word after it stays one.
                return app.add_option(option.name, *target, option.help)->allow_extra_args(false);
            else
                return app.add_option(option.name, *target, option.help);
        },
        option.target);
    if (!option.typeName.empty())
        added->type_name(option.typeName);
    if (option.help.empty())
        added->group("");
}

// "(run, validate, ..., help)": the commands, for a message on a word that is none.
std::string commandNames(const Program& program)
{
    std::string names;
    for (const Command& command : program.commands)
        names += command.name + ", ";
    return "(" + names + "help)";
}

} // namespace

int runCommandLine(const Program& program, int argc, char** argv)
{
    CLI::App app(program.description, "vesk_host");
    app.set_help_flag("-h,--help", "show this text (every subcommand has its own --help)");
    // A path such as /work/plant.toml is a file, also on Windows, never an option.
    app.allow_windows_style_options(false);
    bool version = false;
    app.add_flag("--version", version, "print the version");
    app.footer(program.footer);
    // Unknown words are worded below, as commands or options.
    app.allow_extras();
    std::vector<CLI::App*> apps;
    for (const Command& command : program.commands) {
        CLI::App* sub = app.add_subcommand(command.name, command.description);
        for (const CommandOption& option : command.options)
            addOption(*sub, option);
        if (!command.footer.empty())
            sub->footer(command.footer);
        sub->allow_extras();
        apps.push_back(sub);
    }
    CLI::App* help = app.add_subcommand("help", "this text");

    if (argc < 2) {
        std::cerr << app.help();
        return exitUsage;
    }
    // The options whose value is a file, as the commands describe them.
    std::vector<std::string> fileOptions;
    for (const Command& command : program.commands)
        for (const CommandOption& option : command.options)
            if (option.typeName == "FILE")
                fileOptions.push_back(option.name);
    if (const std::string empty = emptyOptionValue(argc, argv, fileOptions); !empty.empty()) {
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
            std::cerr << "vesk_host: " << error.what() << " " << commandNames(program) << "\n";
            return exitUsage;
        }
        return usageError(command, parseErrorText(error.what()));
    }
    if (version) {
        std::cout << "vesk_host " << program.version << "\n";
        return exitSuccess;
    }
    if (help->parsed()) {
        std::cout << app.help();
        return exitSuccess;
    }
    for (std::size_t i = 0; i < apps.size(); ++i)
        if (apps[i]->parsed())
            return program.commands[i].run(apps[i]->remaining());
    const auto remaining = app.remaining();
    if (!remaining.empty() && remaining.front().rfind("-", 0) == 0)
        std::cerr << "vesk_host: unknown option " << remaining.front() << " (see vesk_host --help)\n";
    else if (!remaining.empty())
        std::cerr << "vesk_host: unknown command \"" << remaining.front() << "\" " << commandNames(program) << "\n";
    else
        std::cerr << app.help();
    return exitUsage;
}

} // namespace vesk_host
