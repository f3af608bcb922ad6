// DottedName and decodeVESKString: how host texts are cut into pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vesk_decode.h"
#include "vesk_dotted_name.h"

namespace {

std::vector<std::string> partsOf(const DottedName& d)
{
    return std::vector<std::string>(d.parts, d.parts + d.partCount);
}

std::vector<std::string> tokensOf(const decodeVESKString& d)
{
    return std::vector<std::string>(d.tokens, d.tokens + d.tokenCount);
}

TEST(DottedNameTest, CutsNamePartsAndValue)
{
    struct Case {
        const char* text;
        std::string name;
        std::vector<std::string> parts;
        std::string value;
        int hasValue;
    } cases[] = {
        {"index=3", "index", {}, "3", 1},
        {"a.b.c=v", "a", {"b", "c"}, "v", 1},
        {"a=b.c", "a", {}, "b.c", 1},
        {"a.b=c=d", "a", {"b"}, "c=d", 1},
        {"abc", "abc", {}, "", 0},
        {".a=b", "", {"a"}, "b", 1},
        {"a..b", "a", {"", "b"}, "", 0},
        {"a.b.", "a", {"b", ""}, "", 0},
        {"a=", "a", {}, "", 1},
        {"return=all", "return", {}, "all", 1},
        {"_events", "_events", {}, "", 0},
    };
    for (const Case& c : cases) {
        DottedName d(c.text);
        EXPECT_EQ(d.name, c.name) << c.text;
        EXPECT_EQ(partsOf(d), c.parts) << c.text;
        EXPECT_EQ(d.value, c.value) << c.text;
        EXPECT_EQ(d.hasValue, c.hasValue) << c.text;
        EXPECT_NE(d.buffer, nullptr) << c.text;
    }
}

TEST(DottedNameTest, NullAndEmptyAllocateNothingAndReadEmpty)
{
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        DottedName d(text);
        EXPECT_EQ(d.buffer, nullptr);
        EXPECT_STREQ(d.name, "");
        EXPECT_STREQ(d.value, "");
        EXPECT_EQ(d.partCount, 0);
        EXPECT_EQ(d.hasValue, 0);
        for (const char* part : d.parts)
            ASSERT_EQ(part, vesk_empty_text);
    }
}

TEST(DottedNameTest, StopsAfterThe32ndDot)
{
    std::string text = "n";
    for (int k = 0; k < 32; ++k)
        text += ".p" + std::to_string(k);
    DottedName full((text + "=v").c_str());
    EXPECT_EQ(full.partCount, 32);
    EXPECT_EQ(full.hasValue, 0);
    EXPECT_STREQ(full.value, "");
    EXPECT_EQ(std::string(full.parts[31]), "p31=v");

    // More dots after the limit stay in the last part.
    DottedName more((text + ".x.y=v").c_str());
    EXPECT_EQ(std::string(more.parts[31]), "p31.x.y=v");

    std::string thirtyOne = "n";
    for (int k = 0; k < 31; ++k)
        thirtyOne += ".p";
    DottedName found((thirtyOne + "=v").c_str());
    EXPECT_EQ(found.partCount, 31);
    EXPECT_EQ(found.hasValue, 1);
    EXPECT_STREQ(found.value, "v");
}

TEST(DottedNameTest, LeavesTheInputUntouched)
{
    char text[] = "a.b=c";
    DottedName d(text);
    EXPECT_STREQ(text, "a.b=c");
    EXPECT_NE(d.name, text);
}

TEST(DecodeTest, SplitsAtBlanksAndQuotes)
{
    struct Case {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"12", {"12"}},
        {"12 3", {"12", "3"}},
        {"a  b  ", {"a", "b"}},
        {"  a b", {"", "a", "b"}},
        {"'a b' c", {"", "a b", "c"}},
        {"x 'y z' w", {"x", "y z", "w"}},
        {"a '' b", {"a", "", "b"}},
        {"ab'cd'ef", {"ab", "cd", "ef"}},
        {"a 'b c", {"a", "b c"}},
        {"   ", {""}},
        {"a\tb\nc", {"a\tb\nc"}},
    };
    for (const Case& c : cases) {
        decodeVESKString d(c.text, '\'');
        EXPECT_EQ(tokensOf(d), c.tokens) << '"' << c.text << '"';
        EXPECT_EQ(d.quote, '\'');
    }
}

TEST(DecodeTest, NullAndEmptyHaveNoTokens)
{
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        decodeVESKString d(text, '\'');
        EXPECT_EQ(d.tokenCount, 0);
        EXPECT_EQ(d.buffer, nullptr);
        EXPECT_STREQ(d.tokens[0], "");
        EXPECT_STREQ(d.tokens[31], "");
    }
}

TEST(DecodeTest, TakesAtMost32Tokens)
{
    std::string text;
    for (int k = 0; k < 40; ++k)
        text += "w" + std::to_string(k) + " ";
    decodeVESKString d(text.c_str(), '\'');
    ASSERT_EQ(d.tokenCount, 32);
    EXPECT_STREQ(d.tokens[0], "w0");
    EXPECT_STREQ(d.tokens[31], "w31");
}

TEST(DecodeTest, TokensOutliveAndIgnoreTheInput)
{
    std::string text = "17 'ZEP SDI' 4";
    decodeVESKString d(text.c_str(), '\'');
    text.assign(text.size(), 'X');
    text = "gone";
    text.shrink_to_fit();
    EXPECT_EQ(tokensOf(d), (std::vector<std::string>{"17", "ZEP SDI", "4"}));
}

} // namespace
