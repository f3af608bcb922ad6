// The interactive prompt: with line editing and history (libedit) when
// standard input is a terminal, plain lines when it is a pipe or a file.
// The prompt text goes to standard error, so standard output stays the
// transcript.
#ifndef VESK_HOST_PROMPT_H
#define VESK_HOST_PROMPT_H

#include <cstddef>
#include <optional>
#include <string>

#include "base/result.h"

namespace vesk_host {

// The longest line the prompt takes: a step fits on one short line, and a
// stream without line ends (such as /dev/zero) must not grow without end.
constexpr std::size_t maxPromptLine = 1024 * 1024;

class Prompt {
public:
    Prompt();
    // Whether lines come from a person at a terminal.
    bool interactive() const { return interactive_; }
    // The next line, without its line end; nothing at the end of input; an
    // error for a line longer than maxPromptLine (reading stops there).
    Result<std::optional<std::string>> readLine(const char* prompt);

private:
    bool interactive_;
};

} // namespace vesk_host

#endif
