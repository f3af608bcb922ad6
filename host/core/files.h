// Reading the emulator's own files (plant, panel, session and golden files).
#ifndef VESK_HOST_FILES_H
#define VESK_HOST_FILES_H

#include <filesystem>
#include <optional>
#include <string>

namespace vesk_host {

// The whole file, byte for byte, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& file);

} // namespace vesk_host

#endif
