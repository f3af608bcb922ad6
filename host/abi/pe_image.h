// A reader of the names in a Windows PE image (a DLL or a program): the DLLs
// it imports with the names it imports from each, and the names it
// exports. Works on any bytes on any platform: it never loads the image,
// and every offset is checked against the bytes given, so a malformed or
// hostile file yields an error, never a read outside them.
#ifndef VESK_HOST_PE_IMAGE_H
#define VESK_HOST_PE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace vesk_host {

struct PeImport {
    std::string dll;                 // as written in the image
    std::vector<std::string> names;  // imported by name; ordinals are left out
};

struct PeImage {
    std::uint16_t machine = 0;  // 0x14c for 32-bit x86
    bool pe32plus = false;      // a 64-bit image
    std::vector<PeImport> imports;
    std::vector<std::string> exports;
};


// Limits that bound the work on a hostile file; a table longer than these
// is cut there.
constexpr std::size_t peMaxImportedDlls = 4096;
constexpr std::size_t peMaxNamesPerTable = 65536;
constexpr std::size_t peMaxNameLength = 4096;

// The image's names; an error (kind invalid) when the bytes are no PE image.
Result<PeImage> readPeImage(std::string_view bytes);

} // namespace vesk_host

#endif
