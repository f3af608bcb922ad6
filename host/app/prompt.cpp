#include "app/prompt.h"

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

namespace {

Error tooLong()
{
    return fail("the line is longer than " + std::to_string(maxPromptLine) +
                " bytes (1 MiB); a step fits on one line, so the input stops here");
}

} // namespace

Result<std::optional<std::string>> Prompt::readLine(const char* prompt)
{
#if defined(VESK_HOST_LIBEDIT)
    if (interactive_) {
        char* line = readline(prompt);
        if (!line)
            return std::optional<std::string>();
        std::string text(line);
        std::free(line);
        if (text.size() > maxPromptLine)
            return tooLong();
        if (!text.empty())
            add_history(text.c_str());
        return std::optional<std::string>(std::move(text));
    }
#endif
    std::cerr << prompt << std::flush;
    std::streambuf* input = std::cin.rdbuf();
    std::string line;
    for (;;) {
        const int c = input->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            if (line.empty())
                return std::optional<std::string>();
            break;
        }
        if (c == '\n')
            break;
        if (line.size() == maxPromptLine)
            return tooLong();
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return std::optional<std::string>(std::move(line));
}

} // namespace vesk_host
