// Walks a subcommand's arguments: "--name", "--name=value", "--name value"
// and plain words, the same way for every subcommand.
#ifndef VESK_HOST_OPTION_READER_H
#define VESK_HOST_OPTION_READER_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vesk_host {

class OptionReader {
public:
    explicit OptionReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    // Moves to the next argument; false when none is left.
    bool next();
    // The current argument, without an attached "=value".
    const std::string& argument() const { return argument_; }
    // True when the current argument came as "--name=value".
    bool attached() const { return attached_.has_value(); }
    // The attached value, or else the following argument (taken); none at the end.
    std::optional<std::string> value();

private:
    const std::vector<std::string>& arguments_;
    std::size_t index_ = 0;
    std::string argument_;
    std::optional<std::string> attached_;
};

} // namespace vesk_host

#endif
