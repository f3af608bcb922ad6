// Quoting, strict numbers, bounded lengths and the fixed buffer of the last
// report: what keeps the emulator's texts on one line and within bounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/fixed_text.h"
#include "base/text_util.h"

using namespace vesk_host;

namespace {

TEST(TextTest, QuotingKeepsEveryTextOnOneLine)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "\"\""},
        {"RC 7 12 3 ',' 0", "\"RC 7 12 3 ',' 0\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"one\ntwo\tthree\r", "\"one\\ntwo\\tthree\\r\""},
        {std::string("\x01\x7f\xe9", 3), "\"\\x01\\x7f\\xe9\""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(quoteText(text), expected);
    EXPECT_EQ(quoteText("abcdef", 3), "\"abc\"... (6 bytes in all)");
}

TEST(TextTest, NumbersArePlainDecimalWithinRange)
{
    EXPECT_EQ(parseInt32("0"), 0);
    EXPECT_EQ(parseInt32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(parseInt32("007"), 7);
    for (const char* bad : {"", "-", "+1", " 1", "1 ", "2147483648", "-2147483649", "1e3", "0x10", "99999999999999999999"})
        EXPECT_EQ(parseInt32(bad), std::nullopt) << bad;
    EXPECT_EQ(parseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseInt64("9223372036854775808"), std::nullopt);
}

TEST(TextTest, BoundedLengthStopsAtTheLimit)
{
    const char text[] = {'a', 'b', 'c', '\0'};
    EXPECT_EQ(boundedLength(text, 4), 3u);
    EXPECT_EQ(boundedLength(text, 3), std::nullopt);
}

// The fixed buffer of the last report: cut, never overrun, and quoting as
// the transcript does, so a text reads the same in both.
TEST(TextTest, FixedTextNeverOverrunsItsBuffer)
{
    struct Case {
        const char* what;
        std::size_t size;
        void (*write)(FixedText& out);
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"numbers at both ends", 64,
         [](FixedText& out) {
             out.number(INT64_MIN);
             out.text(" ");
             out.number(0);
             out.text(" ");
             out.number(INT64_MAX);
         },
         "-9223372036854775808 0 9223372036854775807"},
        {"cut at the buffer", 4, [](FixedText& out) { out.text("abcdef"); }, "abc"},
        {"a byte holds the NUL only", 1, [](FixedText& out) { out.number(-5); }, ""},
        {"quoted", 64, [](FixedText& out) { out.quoted(std::string_view("a\"b\\c\n\t\r\x01\xe9", 10)); },
         quoteText(std::string_view("a\"b\\c\n\t\r\x01\xe9", 10))},
        {"quoted and cut", 64, [](FixedText& out) { out.quoted("abcdef", 3); }, "\"abc...\""},
        {"a JSON string's content", 64, [](FixedText& out) { out.json("q\"\\\x01\xc3\xa9"); },
         "q\\\"\\\\\\u0001\xc3\xa9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        FixedText out(buffer, c.size);
        c.write(out);
        EXPECT_EQ(std::string(buffer), c.expected);
        EXPECT_EQ(out.length(), c.expected.size());
        EXPECT_EQ(buffer[c.size], '#') << "written past the buffer";
    }
}

} // namespace
