// Reading through a pointer the host does not trust: a text, a text
// without its NUL within the bound, a pointer to nowhere, and a text that
// ends right before memory that cannot be read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#if !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "traps/safe_read.h"

namespace {

using vesk_host::readScriptText;
using vesk_host::TextRead;

TEST(SafeReadTest, WhatComesBackForEachKindOfPointer)
{
    std::string text;
    EXPECT_EQ(readScriptText("notify=*", 100, text), TextRead::text);
    EXPECT_EQ(text, "notify=*");
    EXPECT_EQ(readScriptText("abcd", 3, text), TextRead::unterminated);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(readScriptText(nullptr, 100, text), TextRead::unreadable);
    EXPECT_EQ(readScriptText(reinterpret_cast<const void*>(16), 100, text), TextRead::unreadable);
}

TEST(SafeReadTest, ATextBesideAPageThatCannotBeReadIsReadUpToItsEnd)
{
#if defined(_WIN32)
    GTEST_SKIP() << "no mprotect here";
#else
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* mapped = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* base = static_cast<char*>(mapped);
    ASSERT_EQ(mprotect(base + page, page, PROT_NONE), 0);
    char* end = base + page - 4;
    std::memcpy(end, "abc", 4);
    std::string text;
    EXPECT_EQ(readScriptText(end, 65536, text), TextRead::text);
    EXPECT_EQ(text, "abc");
    // Without its NUL, the read runs into the page it cannot read.
    end[3] = 'd';
    EXPECT_EQ(readScriptText(end, 65536, text), TextRead::unreadable);
    EXPECT_EQ(text, "abcd");
    munmap(mapped, 2 * page);
#endif
}

} // namespace
