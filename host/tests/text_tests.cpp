// Quoting, numbers, JSON lines and golden comparison: what makes
// transcripts readable, stable and comparable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "golden.h"
#include "text_util.h"
#include "transcript.h"

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
    EXPECT_EQ(jsonString(std::string("a\"\n\xe9", 4)), "\"a\\\"\\n\\u00e9\"");
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

TEST(TextTest, EntriesRenderAsIndentedTextOrOneJsonLine)
{
    Entry entry;
    entry.kind = "command";
    entry.depth = 1;
    entry.text = "first\nsecond";
    entry.fields = {{"text", std::string("RN 5 1 362")}, {"reply", nullptr}, {"code", std::int64_t{0}},
                    {"ok", true}, {"lines", std::vector<std::string>{"a", "b"}}};
    EXPECT_EQ(renderText(entry), "  first\n  second\n");
    EXPECT_EQ(renderJson(entry), "{\"kind\":\"command\",\"depth\":1,\"text\":\"RN 5 1 362\",\"reply\":null,"
                                 "\"code\":0,\"ok\":true,\"lines\":[\"a\",\"b\"]}\n");
}

TEST(TextTest, FindingsAreCountedBySeverity)
{
    Transcript transcript;
    std::string text;
    transcript.addSink([&](const Entry& entry) { text += renderText(entry); });
    transcript.finding(Finding{&rule::releaseTwice, "twice"}, 1);
    transcript.finding(Finding{&rule::unknownControl, "no such"}, 0);
    EXPECT_EQ(transcript.violations(), 1);
    EXPECT_EQ(transcript.warnings(), 1);
    EXPECT_EQ(text, "  !! VIOLATION release-twice: twice\n!! warning unknown-control: no such\n");
}

TEST(GoldenTest, ShowsTheFirstDifferentLine)
{
    struct Case {
        const char* expected;
        const char* actual;
        int line;
        const char* want;
        const char* got;
    };
    const std::vector<Case> cases = {
        {"a\nb\nc\n", "a\nB\nc\n", 2, "b", "B"},
        {"a\nb\n", "a\n", 2, "b", "(end of transcript)"},
        {"a\n", "a\nb\n", 2, "(end of file)", "b"},
        {"a\nb", "a\nb\n", 2, "(no line end)", "(a line end)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto difference = firstDifference(c.expected, c.actual);
        ASSERT_TRUE(difference);
        EXPECT_EQ(difference->line, c.line);
        EXPECT_EQ(difference->expected, c.want);
        EXPECT_EQ(difference->actual, c.got);
    }
    EXPECT_FALSE(firstDifference("a\nb\n", "a\nb\n"));
    EXPECT_FALSE(firstDifference("", ""));
}

} // namespace
