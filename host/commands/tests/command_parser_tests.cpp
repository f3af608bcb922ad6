// Reading command texts: every form the framework sends, and the ways a
// script can get one wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_parser.h"
#include "commands/command_table.h"
#include "events/rules.h"

using namespace vesk_host;

namespace {

struct Good {
    const char* text;
    const char* letters;
    std::vector<std::string> texts;
    std::vector<std::int32_t> numbers;
    bool flagged;
    bool ambiguous;
};

TEST(CommandParserTest, ReadsEveryForm)
{
    const std::vector<Good> cases = {
        {"AS", "AS", {}, {}, false, false},
        {"SD 'ZEP SDI Router'", "SD", {"ZEP SDI Router"}, {}, false, false},
        {"SD ''", "SD", {""}, {}, false, false},
        {"SD 'it's' 'odd'", "SD", {"it's' 'odd"}, {}, false, false},
        {"XI '1' 'alm_'", "XI", {"1", "alm_"}, {}, false, false},
        {"PS '1' 'panels/Rig_Vue.vesk_ui'", "PS", {"1", "panels/Rig_Vue.vesk_ui"}, {}, false, false},
        {"PS '1' 'Rig_Vue.vesk_ui' 'x'", "PS", {"1", "Rig_Vue.vesk_ui", "x"}, {}, false, false},
        {"RC 7 12 3 ',' 0", "RC", {""}, {7, 12, 3, 0}, false, false},
        {"RC 7 12 3 ',x y' 1", "RC", {"x y"}, {7, 12, 3, 1}, false, false},
        {"RC -1 0 -2 ',,'' 0", "RC", {",'"}, {-1, 0, -2, 0}, false, false},
        {"RN 5 1 362", "RN", {}, {5, 1, 362}, false, false},
        {"RP 7 12 12", "RP", {}, {7, 12, 12}, false, false},
        {"RR 5 362 362", "RR", {}, {5, 362, 362}, false, false},
        {"RR 5 362 362 'ADD'", "RR", {}, {5, 362, 362}, true, false},
        {"RU -2147483648", "RU", {}, {-2147483647 - 1}, false, false},
        {"TG '1' 'alm_fire' 'value'", "TG", {"1", "alm_fire", "value"}, {}, false, false},
        {"TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'", "TP", {"statesheet=KQ_Tally_Red", "1", "VideoEnable"}, {},
         false, false},
        {"TP 'text=it's here' '1' 'video_source'", "TP", {"text=it's here", "1", "video_source"}, {}, false, false},
        {"TP 'text=Rock 'n' Roll' '1' 'x'", "TP", {"text=Rock 'n' Roll", "1", "x"}, {}, false, false},
        {"TP 'text=a' 'b' '1' 'x'", "TP", {"text=a' 'b", "1", "x"}, {}, false, true},
        {"TP '' '' ''", "TP", {"", "", ""}, {}, false, false},
        {"ET 1 250", "ET", {}, {1, 250}, false, false},
        {"ET 3", "ET", {}, {3}, false, false},
        // Plain decimal at its edges: a lone zero, a sign before a digit that is not zero.
        {"ET 0 0", "ET", {}, {0, 0}, false, false},
        {"ET -5 250", "ET", {}, {-5, 250}, false, false},
        {"ET 10 -1", "ET", {}, {10, -1}, false, false},
        {"RP 2147483647 -2147483648 0", "RP", {}, {2147483647, -2147483647 - 1, 0}, false, false},
    };
    for (const auto& good : cases) {
        SCOPED_TRACE(good.text);
        const auto parse = parseCommand(good.text);
        ASSERT_TRUE(parse) << parse.error().message;
        EXPECT_EQ(parse->row->letters, std::string(good.letters));
        EXPECT_EQ(parse->texts, good.texts);
        EXPECT_EQ(parse->numbers, good.numbers);
        EXPECT_EQ(parse->flagged, good.flagged);
        EXPECT_EQ(parse->ambiguous, good.ambiguous);
    }
}

struct Bad {
    std::string text;
    const Rule* rule;
    const char* message;  // a part of the error
};

TEST(CommandParserTest, RefusesWhatIsNotACommand)
{
    const std::vector<Bad> cases = {
        {"", &rule::malformedCommand, "two upper-case letters"},
        {"S", &rule::malformedCommand, "two upper-case letters"},
        {"sd 'x'", &rule::malformedCommand, "two upper-case letters"},
        {"ZZ 1", &rule::unknownCommand, "\"ZZ\""},
        {"AS ", &rule::malformedCommand, "trailing blank (column 3)"},
        {"AS 1", &rule::malformedCommand, "takes no arguments"},
        {"SD'x'", &rule::malformedCommand, "followed by one blank"},
        {"SD", &rule::malformedCommand, "expected 1 text"},
        {"SD x", &rule::malformedCommand, "in apostrophes"},
        {"SD '", &rule::malformedCommand, "in apostrophes"},
        {"XI '1'", &rule::malformedCommand, "found 1"},
        {"TP 'a=b' '1' 'x' ", &rule::malformedCommand, "trailing blank (column 17)"},
        {"TP 'a=b' '1' 'x", &rule::malformedCommand, "missing closing apostrophe"},
        {"SD  'x'", &rule::malformedCommand, "two blanks after the letters (column 4)"},
        {"RN 5 1", &rule::malformedCommand, "expected 3 numbers, found 2"},
        {"RN 5  1 2", &rule::malformedCommand, "two blanks between arguments (column 6)"},
        {"RN 5 1 2 ", &rule::malformedCommand, "trailing blank (column 9)"},
        {"RN  5 1 2", &rule::malformedCommand, "two blanks after the letters (column 4)"},
        {"ET 01 250", &rule::malformedCommand, "\"01\" is not plain decimal"},
        {"ET -0", &rule::malformedCommand, "\"-0\" is not plain decimal"},
        {"ET -05 250", &rule::malformedCommand, "\"-05\" is not plain decimal"},
        {"ET 5 -0250", &rule::malformedCommand, "\"-0250\" is not plain decimal"},
        {"ET 00", &rule::malformedCommand, "\"00\" is not plain decimal"},
        {"ET -00", &rule::malformedCommand, "\"-00\" is not plain decimal"},
        {"RP 1 2 -2147483649", &rule::malformedCommand, "not a 32-bit"},
        {"RC 7  12 3 ',' 0", &rule::malformedCommand, "two blanks between arguments (column 6)"},
        {"RC 7 12 3 ',' 0 ", &rule::malformedCommand, "trailing blank (column 16)"},
        {"RC 7 12 03 ',' 0", &rule::malformedCommand, "\"03\" is not plain decimal"},
        {"RN 5 1 x", &rule::malformedCommand, "\"x\" is not"},
        {"RN 5 1 +2", &rule::malformedCommand, "\"+2\" is not"},
        {"RP 1 2 2147483648", &rule::malformedCommand, "not a 32-bit"},
        {"RR 5 1 1 ADD", &rule::malformedCommand, "found 4 words"},
        {"RR 5 1 1 'ADD' 2", &rule::malformedCommand, "found 5 words"},
        {"RR 5 1 'ADD'", &rule::malformedCommand, "\"'ADD'\" is not a 32-bit"},
        {"RN 1 2 3 4 5 6 7 8 9", &rule::malformedCommand, "expected 3 numbers, found 9 words"},
        {"SDX 'x'", &rule::malformedCommand, "followed by one blank"},
        {"Sd 'x'", &rule::malformedCommand, "two upper-case letters"},
        {"RU 5 'ADD'", &rule::malformedCommand, "expected 1 number"},
        {"ET", &rule::malformedCommand, "expected 1 number"},
        {"ET 1 2 3", &rule::malformedCommand, "found 3"},
        {"RC 7 12 3 ','", &rule::malformedCommand, "extra text and the flag"},
        {"RC 7 12 3 'x' 0", &rule::malformedCommand, "starts with a comma"},
        {"RC 7 12 ',' 0", &rule::malformedCommand, "is not a 32-bit"},
        {"RC 7 12 3 ',' yes", &rule::malformedCommand, "\"yes\" is not"},
        {std::string("RN 1\t2 3"), &rule::malformedCommand, "found 2 words"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.text);
        const auto parse = parseCommand(bad.text);
        ASSERT_FALSE(parse);
        EXPECT_EQ(parse.error().rule, bad.rule);
        EXPECT_NE(parse.error().message.find(bad.message), std::string::npos) << parse.error().message;
    }
}

TEST(CommandParserTest, MessagesShowTheCommandsForm)
{
    EXPECT_NE(parseCommand("RN 1").error().message.find("(form: RN device database index)"), std::string::npos);
    EXPECT_EQ(std::string(findCommand("TG")->form), "TG 'panel' 'control' 'property'");
    EXPECT_EQ(findCommand("QQ"), nullptr);
}

TEST(CommandParserTest, HugeAndBinaryTextsAreRefusedNotFatal)
{
    std::string huge = "TP '" + std::string(200000, 'a') + "' '1' 'x'";
    EXPECT_TRUE(parseCommand(huge));
    std::string binary("SD '\x01\xff\x7f'", 8);
    EXPECT_TRUE(parseCommand(binary));
    EXPECT_FALSE(parseCommand(std::string(100000, 'R')));
}

} // namespace
