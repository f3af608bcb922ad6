// Reading a text through a pointer the script handed the host, without
// trusting it: the bytes are copied by the kernel page by page, so a
// pointer to nowhere (or to a guard page) is found out instead of faulting
// the host. Slower than a plain read: for answers and hand-backs, not for
// every command.
#ifndef VESK_HOST_TRAPS_SAFE_READ_H
#define VESK_HOST_TRAPS_SAFE_READ_H

#include <cstddef>
#include <string>

namespace vesk_host {

enum class TextRead {
    text,          // a NUL within the bound: `into` holds the text
    unterminated,  // no NUL within the bound: `into` holds the bound's bytes
    unreadable,    // memory before the NUL or the bound cannot be read: `into` holds what could be
};

TextRead readScriptText(const void* at, std::size_t bound, std::string& into);

} // namespace vesk_host

#endif
