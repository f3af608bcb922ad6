// A library built for another machine or system is named as such before
// the loader words it unclearly.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "abi/library_format.h"

using namespace vesk_host;

namespace {

// Library headers for machines other than this one (x86-64 Linux).
#if defined(__x86_64__) && !defined(_WIN32)
std::string elfHeader(unsigned char type, unsigned short machine)
{
    std::string header(64, '\0');
    header.replace(0, 4, "\x7f" "ELF");
    header[4] = static_cast<char>(type);
    header[5] = 1;
    header[18] = static_cast<char>(machine & 0xff);
    header[19] = static_cast<char>(machine >> 8);
    return header;
}

std::string peHeader(unsigned short machine)
{
    std::string header(256, '\0');
    header.replace(0, 2, "MZ");
    header[0x3c] = static_cast<char>(0x80);
    header.replace(0x80, 4, std::string("PE\0\0", 4));
    header[0x84] = static_cast<char>(machine & 0xff);
    header[0x85] = static_cast<char>(machine >> 8);
    return header;
}

TEST(LibraryFormatTest, ALibraryForAnotherMachineIsNamedAsSuch)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {elfHeader(1, 3), "it is built for x86 (32-bit), this vesk_host is x86-64"},
        {elfHeader(2, 183), "it is built for ARM64, this vesk_host is x86-64"},
        {elfHeader(1, 40), "it is built for ARM (32-bit), this vesk_host is x86-64"},
        {elfHeader(2, 243), "it is built for machine number 243 (64-bit), this vesk_host is x86-64"},
        {peHeader(0x14c), "it is a Windows DLL built for x86 (32-bit); this vesk_host is x86-64"},
        {peHeader(0x8664), "it is a Windows DLL built for x86-64"},
        {std::string("MZ") + std::string(100, '\0'), "it is a DOS or Windows program, not a library"},
        {"\x7f" "ELF\x01", "it is cut short"},
        {elfHeader(2, 62), ""},
        {"#!/bin/sh\n", ""},
        {"", ""},
    };
    for (const auto& [header, reason] : cases) {
        SCOPED_TRACE(reason);
        const Status checked = checkLibraryHeader(header);
        const std::string got = checked ? std::string() : checked.error().message;
        EXPECT_EQ(got.substr(0, reason.size()), reason);
        EXPECT_EQ(got.empty(), reason.empty()) << got;
    }
}
#endif

} // namespace
