#include "command_line.h"

#include <iostream>

#include "exit_codes.h"

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

} // namespace vesk_host
