#include "traps/signal_names.h"

#include <csignal>

namespace vesk_host {

const char* signalNameOrNull(int number)
{
    struct Name {
        int number;
        const char* name;
    };
    static const Name names[] = {
        {SIGSEGV, "SIGSEGV"}, {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
        {SIGILL, "SIGILL"},   {SIGKILL, "SIGKILL"}, {SIGTERM, "SIGTERM"}, {SIGTRAP, "SIGTRAP"},
        {SIGPIPE, "SIGPIPE"}, {SIGSYS, "SIGSYS"},   {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"},
        {SIGALRM, "SIGALRM"}, {SIGXCPU, "SIGXCPU"},
    };
    for (const Name& name : names)
        if (name.number == number)
            return name.name;
    return nullptr;
}

std::string signalName(int number)
{
    const char* name = signalNameOrNull(number);
    return name ? name : "signal " + std::to_string(number);
}

} // namespace vesk_host
