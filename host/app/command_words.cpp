// The command line's own wording of usage faults: what a parser leaves
// over, its messages in the emulator's words, and empty option values.
#include <algorithm>
#include <iostream>

#include "app/command_line.h"
#include "app/exit_codes.h"

namespace vesk_host {

int usageError(const std::string& command, const std::string& message)
{
    std::cerr << "vesk_host " << command << ": " << message << "\n(see vesk_host " << command << " --help)\n";
    return exitUsage;
}

std::string leftOver(const std::vector<std::string>& remaining, const std::string& positional, const std::string& what)
{
    for (const auto& argument : remaining)
        if (argument.size() > 1 && argument[0] == '-')
            return "unknown option " + argument.substr(0, argument.find('='));
    if (!remaining.empty())
        return "one " + what + " only (got " + positional + " and " + remaining.front() + ")";
    return std::string();
}

std::string parseErrorText(const std::string& message)
{
    // "--plant: At Most 1 required but received 2"
    static const std::string twice = ": At Most 1 required but received ";
    const auto at = message.find(twice);
    if (message.rfind("-", 0) != 0 || at == std::string::npos || message.find(':') != at)
        return message;
    const std::string count = message.substr(at + twice.size());
    if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos)
        return message;
    return message.substr(0, at) + " is given " + count + " times; give it once";
}

std::string emptyOptionValue(int argc, const char* const* argv, const std::vector<std::string>& fileOptions)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--")
            break;
        if (argument.size() > 3 && argument.compare(0, 2, "--") == 0 && argument.back() == '=') {
            const std::string option = argument.substr(0, argument.size() - 1);
            const bool file = std::find(fileOptions.begin(), fileOptions.end(), option) != fileOptions.end();
            return argument + " gives " + option + " an empty value" + (file ? "; name a file" : "");
        }
    }
    return std::string();
}

} // namespace vesk_host
