#include "prompt.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#if defined(VESK_HOST_LIBEDIT)
#include <editline/readline.h>
#include <unistd.h>
#endif

namespace vesk_host {

Prompt::Prompt()
{
#if defined(VESK_HOST_LIBEDIT)
    interactive_ = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    if (interactive_) {
        // The prompt and the editing happen on standard error.
        rl_outstream = stderr;
        using_history();
    }
#else
    interactive_ = false;
#endif
}

std::optional<std::string> Prompt::readLine(const char* prompt)
{
#if defined(VESK_HOST_LIBEDIT)
    if (interactive_) {
        char* line = readline(prompt);
        if (!line)
            return std::nullopt;
        std::string text(line);
        std::free(line);
        if (!text.empty())
            add_history(text.c_str());
        return text;
    }
#endif
    std::cerr << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace vesk_host
