// The command line's wording of usage faults: the parser's "given twice"
// message in the emulator's words (and nothing that merely resembles it),
// words left over, and an option given an empty value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

using namespace vesk_host;

TEST(CommandWords, AnOptionGivenTwiceIsSaidSoAndNothingElseIsReworded)
{
    const struct {
        const char* message;
        const char* worded;
    } cases[] = {
        {"--plant: At Most 1 required but received 2", "--plant is given 2 times; give it once"},
        {"--timeout: At Most 1 required but received 13", "--timeout is given 13 times; give it once"},
        // Near misses stay as the parser wrote them.
        {"--plant: At Most 1 required but received ", "--plant: At Most 1 required but received "},
        {"--plant: At Most 1 required but received 2x", "--plant: At Most 1 required but received 2x"},
        {"plant: At Most 1 required but received 2", "plant: At Most 1 required but received 2"},
        {"--a:b: At Most 1 required but received 2", "--a:b: At Most 1 required but received 2"},
        {"--plant: 1 required FILE missing", "--plant: 1 required FILE missing"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseErrorText(c.message), c.worded) << c.message;
}

TEST(CommandWords, WordsLeftOverAreAnUnknownOptionOrASecondPositional)
{
    EXPECT_EQ(leftOver({}, "a.so", "script library"), "");
    EXPECT_EQ(leftOver({"--nope=1"}, "a.so", "script library"), "unknown option --nope");
    EXPECT_EQ(leftOver({"b.so", "--nope"}, "a.so", "script library"), "unknown option --nope");
    EXPECT_EQ(leftOver({"b.so"}, "a.so", "script library"), "one script library only (got a.so and b.so)");
    // A lone dash is a word, not an option.
    EXPECT_EQ(leftOver({"-"}, "a.so", "folder"), "one folder only (got a.so and -)");
}

TEST(CommandWords, AnEmptyValueIsNamedBeforeTheParserSeesIt)
{
    const auto empty = [](std::vector<const char*> words) {
        words.insert(words.begin(), "vesk_host");
        return emptyOptionValue(static_cast<int>(words.size()), words.data(), {"--plant", "--session"});
    };
    EXPECT_EQ(empty({"run", "--plant=", "a.so"}), "--plant= gives --plant an empty value; name a file");
    EXPECT_EQ(empty({"validate", "--only=", "a.so"}), "--only= gives --only an empty value");
    EXPECT_EQ(empty({"run", "--plant=x", "a.so"}), "");
    EXPECT_EQ(empty({"run", "--", "--plant="}), "");
    EXPECT_EQ(empty({"run", "-="}), "");
}
