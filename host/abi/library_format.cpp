#include "abi/library_format.h"

#include <cstdint>
#include <fstream>
#include <optional>

namespace vesk_host {

namespace {

constexpr std::uint16_t elfX86 = 3, elfX86_64 = 62, elfArm = 40, elfArm64 = 183;
constexpr std::uint16_t peX86 = 0x14c, peX86_64 = 0x8664, peArm = 0x1c4, peArm64 = 0xaa64;

#if defined(__x86_64__) || defined(_M_X64)
constexpr std::uint16_t nativeElf = elfX86_64;
constexpr std::uint16_t nativePe = peX86_64;
constexpr const char* nativeName = "x86-64";
#elif defined(__i386__) || defined(_M_IX86)
constexpr std::uint16_t nativeElf = elfX86;
constexpr std::uint16_t nativePe = peX86;
constexpr const char* nativeName = "x86 (32-bit)";
#elif defined(__aarch64__) || defined(_M_ARM64)
constexpr std::uint16_t nativeElf = elfArm64;
constexpr std::uint16_t nativePe = peArm64;
constexpr const char* nativeName = "ARM64";
#elif defined(__arm__) || defined(_M_ARM)
constexpr std::uint16_t nativeElf = elfArm;
constexpr std::uint16_t nativePe = peArm;
constexpr const char* nativeName = "ARM (32-bit)";
#else
constexpr std::uint16_t nativeElf = 0;
constexpr std::uint16_t nativePe = 0;
constexpr const char* nativeName = "this machine";
#endif

#if defined(_WIN32)
constexpr bool nativeIsPe = true;
#else
constexpr bool nativeIsPe = false;
#endif

std::uint32_t readLittle(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string machineName(std::uint16_t machine, bool pe)
{
    if (machine == (pe ? peX86 : elfX86))
        return "x86 (32-bit)";
    if (machine == (pe ? peX86_64 : elfX86_64))
        return "x86-64";
    if (machine == (pe ? peArm : elfArm))
        return "ARM (32-bit)";
    if (machine == (pe ? peArm64 : elfArm64))
        return "ARM64";
    return "machine number " + std::to_string(machine);
}

std::optional<std::string> foreignElf(std::string_view header)
{
    if (header.size() < 20)
        return std::string("it is cut short (an ELF header needs 64 bytes)");
    const auto type = static_cast<unsigned char>(header[4]);
    const bool bigEndian = header[5] == 2;
    std::uint16_t machine = static_cast<std::uint16_t>(readLittle(header, 18, 2));
    if (bigEndian)
        machine = static_cast<std::uint16_t>(machine >> 8 | machine << 8);
    std::string built = machineName(machine, false);
    if ((type == 1 && machine != elfX86 && machine != elfArm) || (type == 2 && machine != elfX86_64 && machine != elfArm64))
        built += type == 1 ? " (32-bit)" : " (64-bit)";
    if (nativeIsPe)
        return "it is an ELF library for " + built + " (Linux and the like); this vesk_host loads Windows DLLs";
    if (nativeElf != 0 && machine != nativeElf)
        return "it is built for " + built + ", this vesk_host is " + nativeName;
    return std::nullopt;
}

std::optional<std::string> foreignPe(std::string_view header)
{
    if (header.size() < 0x40)
        return std::string("it is cut short (a Windows DLL with a partial header)");
    const std::uint32_t at = readLittle(header, 0x3c, 4);
    if (at > header.size() || header.size() - at < 6 || header.substr(at, 4) != std::string_view("PE\0\0", 4))
        return nativeIsPe ? std::nullopt : std::optional<std::string>("it is a DOS or Windows program, not a library");
    const auto machine = static_cast<std::uint16_t>(readLittle(header, at + 4, 2));
    if (!nativeIsPe)
        return "it is a Windows DLL built for " + machineName(machine, true) + "; this vesk_host is " + nativeName +
               " and loads ELF libraries (a Windows build of vesk_host, under Wine, loads DLLs)";
    if (nativePe != 0 && machine != nativePe)
        return "it is built for " + machineName(machine, true) + ", this vesk_host is " + nativeName;
    return std::nullopt;
}

} // namespace

Status checkLibraryHeader(std::string_view header)
{
    std::optional<std::string> reason;
    if (header.substr(0, 4) == std::string_view("\x7f" "ELF", 4))
        reason = foreignElf(header);
    else if (header.substr(0, 2) == "MZ")
        reason = foreignPe(header);
    if (reason)
        return fail(ErrorKind::notLoadable, std::move(*reason));
    return Done{};
}

Status checkLibraryFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Done{};
    std::string header(4096, '\0');
    file.read(&header[0], static_cast<std::streamsize>(header.size()));
    header.resize(static_cast<std::size_t>(file.gcount()));
    return checkLibraryHeader(header);
}

} // namespace vesk_host
