// The interactive prompt: with line editing and history (libedit) when
// standard input is a terminal, plain lines when it is a pipe or a file.
// The prompt text goes to standard error, so standard output stays the
// transcript.
#ifndef VESK_HOST_PROMPT_H
#define VESK_HOST_PROMPT_H

#include <optional>
#include <string>

namespace vesk_host {

class Prompt {
public:
    Prompt();
    // Whether lines come from a person at a terminal.
    bool interactive() const { return interactive_; }
    // The next line, without its line end; nothing at the end of input.
    std::optional<std::string> readLine(const char* prompt);

private:
    bool interactive_;
};

} // namespace vesk_host

#endif
