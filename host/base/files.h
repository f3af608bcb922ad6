// Reading the emulator's own files (plant, panel, session and golden files).
// Only regular files are read, and only up to a size limit, so a folder, a
// FIFO, a device such as /dev/zero or a huge file is refused with its
// reason instead of being read without end.
#ifndef VESK_HOST_FILES_H
#define VESK_HOST_FILES_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/result.h"

namespace vesk_host {

// The most bytes any of the emulator's own input files may hold.
constexpr std::uintmax_t maxInputFile = 64u * 1024 * 1024;

// The whole file, byte for byte. The error reads "FILE: cannot be read: REASON",
// the reason one of "no such file", "is a directory", "is not a regular file
// (a FIFO, a device or a socket)", "permission denied", "is larger than N
// bytes", "an empty file name" or the system's own words.
Result<std::string> readWholeFile(const std::filesystem::path& file, std::uintmax_t limit = maxInputFile);

// Whether `file` can be opened for reading as a regular file (a check before
// handing the name to another reader, such as dlopen). The error (kind
// unreadable) is the reason alone, as readWholeFile words it, for the
// caller to place.
Status checkReadable(const std::filesystem::path& file);

} // namespace vesk_host

#endif
