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
#include <string>
#include <string_view>

#include "base/result.h"

namespace vesk_host {

struct TomlLimits {
    std::size_t bytes = 16u * 1024 * 1024;  // the whole text
    std::size_t lineBytes = 1024u * 1024;   // one line
    int depth = 32;                         // arrays and inline tables inside each other
    int keyParts = 32;                      // parts of one dotted key or table header
};

// Whether `text` (the file `name`) may be handed to the TOML library. The
// error names the first limit it exceeds, or its first unclosed quoted
// text: "name:line: what is wrong" ("name: what is wrong" for the whole text).
Status checkTomlBounds(std::string_view text, const std::string& name, const TomlLimits& limits = TomlLimits{});

} // namespace vesk_host

#endif
