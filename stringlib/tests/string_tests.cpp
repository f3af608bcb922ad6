// The string library: conversions, equality, split, arg and lists.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "vesk_stringlist.h"

namespace {

std::vector<std::string> items(const vesk_stringlist& list)
{
    std::vector<std::string> result;
    for (vesk_stringlistIterator it = list.begin(); it != list.end(); ++it)
        result.push_back((*it).c_str());
    return result;
}

TEST(StringTest, ToIntReadsLikeAtoiAndGivesZeroOutOfRange)
{
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},          {"12", 12},       {"-7", -7},       {"+5", 5},          {"  42", 42},
        {"\t3", 3},       {"3x", 3},        {"x3", 0},        {"-", 0},           {"12 34", 12},
        {"2147483647", INT_MAX},            {"-2147483648", INT_MIN},             {"2147483648", 0},
        {"-2147483649", 0},                 {"99999999999999999999", 0},          {"007", 7},
    };
    for (const Case& c : cases) {
        vesk_string s(c.text);
        EXPECT_EQ(s.toInt(), c.value) << '"' << c.text << '"';
        EXPECT_EQ(static_cast<int>(s), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(vesk_text_to_int(nullptr), 0);
}

TEST(StringTest, NumberConstructorGivesPlainDecimal)
{
    EXPECT_STREQ(vesk_string(1, 0, 0, 10), "1");
    EXPECT_STREQ(vesk_string(362, 0, 0, 10), "362");
    EXPECT_STREQ(vesk_string(-45, 0, 0, 10), "-45");
    EXPECT_STREQ(vesk_string(INT_MIN, 0, 0, 10), "-2147483648");
    EXPECT_STREQ(vesk_string(255, '0', 4, 16), "00ff");
    EXPECT_STREQ(vesk_string(5, 0, 3, 10), "  5");
    EXPECT_STREQ(vesk_string(7, 0, 0, 99), "7");  // a base out of range means 10
}

TEST(StringTest, EqualityIsCaseSensitiveAndNumberEqualityIsExactDecimal)
{
    EXPECT_TRUE(vesk_string("Sources") == "Sources");
    EXPECT_FALSE(vesk_string("sources") == "Sources");
    EXPECT_FALSE(vesk_string("Source") == "Sources");
    EXPECT_TRUE(vesk_string() == static_cast<const char*>(nullptr));

    struct Case {
        const char* text;
        int number;
        bool equal;
    } cases[] = {{"1", 1, true},   {"01", 1, false}, {" 1", 1, false}, {"1x", 1, false},
                 {"", 0, false},   {"0", 0, true},   {"-3", -3, true}, {"+3", 3, false}};
    for (const Case& c : cases)
        EXPECT_EQ(vesk_string(c.text) == c.number, c.equal) << '"' << c.text << "\" vs " << c.number;
}

TEST(StringTest, SplitAtFirstSeparator)
{
    struct Case {
        const char* text;
        const char* left;
        const char* right;
        int result;
    } cases[] = {{"12,3", "12", "3", 1},  {"a,b,c", "a", "b,c", 1}, {"abc", "abc", "", 0}, {",x", "", "x", 1},
                 {"x,", "x", "", 1},      {"", "", "", 0},         {"-,17", "-", "17", 1}};
    for (const Case& c : cases) {
        vesk_string left("old");
        vesk_string right("old");
        EXPECT_EQ(vesk_string(c.text).split(',', left, right), c.result) << c.text;
        EXPECT_STREQ(left, c.left) << c.text;
        EXPECT_STREQ(right, c.right) << c.text;
    }
    // The outputs may be the string itself.
    vesk_string text("key=value");
    vesk_string rest;
    text.split('=', text, rest);
    EXPECT_STREQ(text, "key");
    EXPECT_STREQ(rest, "value");
}

TEST(StringTest, ArgFillsTheLowestPlaceholderEverywhere)
{
    vesk_string format("RC %1 %2 %3 ',%4' %5");
    EXPECT_STREQ(format.arg(7, 0, 0, 10).arg(12, 0, 0, 10).arg(3, 0, 0, 10).arg("").arg("0"), "RC 7 12 3 ',' 0");
    EXPECT_STREQ(vesk_string("%2 then %1").arg("a"), "%2 then a");
    EXPECT_STREQ(vesk_string("%1 and %1").arg("x"), "x and x");
    EXPECT_STREQ(vesk_string("no placeholder").arg("x"), "no placeholder");
    EXPECT_STREQ(vesk_string("%10 %9").arg("a").arg("b"), "b a");
    EXPECT_STREQ(vesk_string("100% %").arg("x"), "100% %");
    EXPECT_STREQ(vesk_string("end %").arg("x"), "end %");
}

TEST(StringTest, ConcatenationAndAssignment)
{
    vesk_string a("ab");
    EXPECT_STREQ(a + "cd", "abcd");
    EXPECT_STREQ("xy" + a, "xyab");
    EXPECT_STREQ(a + a, "abab");
    a += a;
    EXPECT_STREQ(a, "abab");
    a = static_cast<const char*>(nullptr);
    EXPECT_EQ(a.length(), 0u);

    // Long texts move to the heap and back without losing a byte.
    std::string longText(1000, 'z');
    vesk_string big(longText.c_str());
    big += big;
    EXPECT_EQ(big.length(), 2000u);
    vesk_string copy = big;
    EXPECT_EQ(std::string(copy.c_str()), longText + longText);
    copy = "short";
    EXPECT_STREQ(copy, "short");
    copy = copy.c_str() + 1;  // assigning a piece of itself
    EXPECT_STREQ(copy, "hort");
}

TEST(StringListTest, SplitJoinAndIterate)
{
    struct Case {
        const char* text;
        std::vector<std::string> items;
    } cases[] = {{"", {}},
                 {"alm_a,alm_b", {"alm_a", "alm_b"}},
                 {"a,,b", {"a", "", "b"}},
                 {",", {"", ""}},
                 {"one", {"one"}},
                 {" a , b ", {" a ", " b "}}};
    for (const Case& c : cases) {
        vesk_stringlist list(c.text, ',');
        EXPECT_EQ(items(list), c.items) << c.text;
        EXPECT_STREQ(list.toString(','), c.text);
    }

    vesk_stringlist events;
    events << "notify=*";
    EXPECT_STREQ(events.toString('\n'), "notify=*");
    events << "second";
    EXPECT_STREQ(events.toString('\n'), "notify=*\nsecond");
    EXPECT_STREQ(vesk_stringlist().toString('\n'), "");
}

TEST(StringListTest, CopiesAreIndependentAndGrowthKeepsItems)
{
    vesk_stringlist list;
    for (int i = 0; i < 100; ++i)
        list << vesk_string(i, 0, 0, 10);
    list << list.at(0);  // appending one of its own items
    vesk_stringlist copy(list);
    list = vesk_stringlist("x", ',');
    ASSERT_EQ(copy.count(), 101u);
    EXPECT_STREQ(copy.at(99), "99");
    EXPECT_STREQ(copy.at(100), "0");
    EXPECT_STREQ(copy.at(500), "");
    EXPECT_EQ(items(list), std::vector<std::string>{"x"});
}

} // namespace
