// vesk_host: the command-line front end. Each subcommand is one function;
// "run" drives a script, "validate" checks one against the interface's
// rules, "rules" lists what the emulator checks.
#include <iostream>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "new_script.h"
#include "rules.h"
#include "run_command.h"
#include "standard_output.h"
#include "usage.h"
#include "validate_command.h"

#ifndef VESK_HOST_VERSION
#define VESK_HOST_VERSION "unknown"
#endif

namespace {

int listRules()
{
    for (const vesk_host::Rule* rule : vesk_host::allRules())
        std::cout << rule->name << " (" << vesk_host::severityName(rule->severity) << "): " << rule->description
                  << "\n";
    return vesk_host::exitSuccess;
}

} // namespace

int main(int argc, char** argv)
{
    vesk_host::useBinaryStandardOutput();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        std::cerr << vesk_host::usageText();
        return vesk_host::exitUsage;
    }
    const std::string& command = arguments[0];
    if (command == "help" || command == "--help" || command == "-h") {
        std::cout << vesk_host::usageText();
        return vesk_host::exitSuccess;
    }
    if (command == "--version") {
        std::cout << "vesk_host " VESK_HOST_VERSION "\n";
        return vesk_host::exitSuccess;
    }
    if (command == "run")
        return vesk_host::runCommand(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (command == "validate")
        return vesk_host::validateCommand(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (command == "rules")
        return listRules();
    if (command == "new") {
        if (arguments.size() < 2 || arguments.size() > 3) {
            std::cerr << "vesk_host new: name the script: vesk_host new NAME [FOLDER]\n";
            return vesk_host::exitUsage;
        }
        return vesk_host::newScript(arguments[1], arguments.size() == 3 ? arguments[2] : std::string());
    }
    std::cerr << "vesk_host: unknown command \"" << command << "\" (run, validate, new, rules, help)\n";
    return vesk_host::exitUsage;
}
