// Limits checked on a TOML text before it reaches the TOML library, whose
// parser and node destructors recurse once per nesting level and per part
// of a dotted key: a key of 40,000 parts on one line would otherwise
// exhaust the stack. The check is one pass over the bytes, in bounded
// memory, and reads strings and comments as TOML does so that their
// contents count for nothing. It also finds a text whose closing quote is
// missing and names the line where that text starts, which the library
// reports only where it gives up.
#ifndef VESK_HOST_TOML_BOUNDS_H
#define VESK_HOST_TOML_BOUNDS_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vesk_host {

struct TomlLimits {
    std::size_t bytes = 16u * 1024 * 1024;  // the whole text
    std::size_t lineBytes = 1024u * 1024;   // one line
    int depth = 32;                         // arrays and inline tables inside each other
    int keyParts = 32;                      // parts of one dotted key or table header
};

struct TomlProblem {
    int line = 0;  // 1-based; 0 for the whole text
    std::string message;
};

// The first limit `text` exceeds, or its first unclosed quoted text;
// nothing when the text may be handed to the TOML library.
std::optional<TomlProblem> checkTomlBounds(std::string_view text, const TomlLimits& limits = TomlLimits{});

} // namespace vesk_host

#endif
