// What a library file is built for, read from its first bytes (the ELF or
// PE header), so that a library for another machine or system is refused
// with that reason instead of the loader's own words ("wrong ELF class",
// "No such file or directory", "invalid ELF header").
#ifndef VESK_HOST_LIBRARY_FORMAT_H
#define VESK_HOST_LIBRARY_FORMAT_H

#include <string>
#include <string_view>

#include "base/result.h"

namespace vesk_host {

// Whether the library in `header` (the file's first bytes, at least 512
// where the file has them) may be loaded by this vesk_host: it passes when
// it looks loadable or its format is not recognised. The error (kind
// notLoadable) is the reason alone, such as "it is built for x86 (32-bit),
// this vesk_host is x86-64", for the caller to place.
Status checkLibraryHeader(std::string_view header);

// The same for a file on disk; it passes too when it cannot be read.
Status checkLibraryFile(const std::string& path);

} // namespace vesk_host

#endif
