// Session files: the steps as read, and the message each mistake gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plant_file.h"
#include "session_file.h"

using namespace vesk_host;

namespace {

Plant sessionPlant()
{
    return *parsePlant("[[device]]\nname = \"ZEP SDI Router\"\nnumber = 21\n"
                       "[[device]]\nname = \"XPTS\"\nnumber = 12\n"
                       "[[router]]\ndevice = \"ZEP SDI Router\"\nsources = 8\ndestinations = 4\n",
                       "plant.toml", "/x")
                .plant;
}

TEST(SessionFileTest, ReadsEveryStep)
{
    const char* text = "# a comment\n"
                       "\n"
                       "press Sources index=3   # trailing comment\n"
                       "press WFM_Mon\n"
                       "panel 2\n"
                       "advance 250\n"
                       "advance 1000ms\n"
                       "query _events\n"
                       "query\n"
                       "revertive \"ZEP SDI Router\" 12 \"CAM 5 \\\"A\\\"\"\n"
                       "revertive 99 1 \"\"\n"
                       "route \"ZEP SDI Router\" 7 3\n"
                       "poll 21 0 3\n"
                       "poll \"ZEP SDI Router\" 2\n"
                       "show panel\n"
                       "show routes\n"
                       "expect command \"TP 'text=CAM 5' '1' 'video_source'\"\n"
                       "expect no-more-commands\n"
                       "expect property Sources select -1\n"
                       "expect answer null\n"
                       "expect answer \"null\"\n"
                       "shutdown\n"
                       "quit\n"
                       "tick -7\n"
                       "replies long\n";
    const SessionParse parse = parseSession(text, "s.vesk", sessionPlant());
    ASSERT_EQ(parse.error, "");
    const auto& steps = parse.steps;
    ASSERT_EQ(steps.size(), 23u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].kind, Step::Kind::press);
    EXPECT_EQ(steps[0].words, (std::vector<std::string>{"Sources", "index=3"}));
    EXPECT_EQ(steps[0].source, "press Sources index=3");
    EXPECT_EQ(steps[1].words, (std::vector<std::string>{"WFM_Mon", ""}));
    EXPECT_EQ(steps[2].words[0], "2");
    EXPECT_EQ(steps[3].milliseconds, 250);
    EXPECT_EQ(steps[4].milliseconds, 1000);
    EXPECT_EQ(steps[5].text, std::optional<std::string>("_events"));
    EXPECT_EQ(steps[6].text, std::nullopt);
    EXPECT_EQ(steps[7].device, 21);
    EXPECT_EQ(steps[7].first, 12);
    EXPECT_EQ(steps[7].words[0], "CAM 5 \"A\"");
    EXPECT_EQ(steps[7].source, "revertive \"ZEP SDI Router\" 12 \"CAM 5 \\\"A\\\"\"");
    EXPECT_EQ(steps[8].device, 99);
    EXPECT_EQ(steps[9].kind, Step::Kind::route);
    EXPECT_EQ(steps[9].first, 7);
    EXPECT_EQ(steps[9].second, 3);
    EXPECT_EQ(steps[10].first, 0);
    EXPECT_EQ(steps[10].second, 3);
    EXPECT_EQ(steps[11].second, 2);
    EXPECT_EQ(steps[14].words[0], "TP 'text=CAM 5' '1' 'video_source'");
    EXPECT_EQ(steps[16].words, (std::vector<std::string>{"Sources", "select", "-1"}));
    EXPECT_EQ(steps[17].text, std::nullopt);
    EXPECT_EQ(steps[18].text, std::optional<std::string>("null"));
    EXPECT_EQ(steps[19].kind, Step::Kind::shutdown);
    EXPECT_EQ(steps[20].kind, Step::Kind::quit);
    EXPECT_EQ(steps[21].kind, Step::Kind::tick);
    EXPECT_EQ(steps[21].first, -7);
    EXPECT_EQ(steps[22].kind, Step::Kind::replies);
    EXPECT_EQ(steps[22].words[0], "long");
}

TEST(SessionFileTest, EachMistakeNamesItsLine)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"pres Sources", "unknown step \"pres\" (press, panel, advance"},
        {"press", "expected: press CONTROL [EVENT]"},
        {"press a b c", "expected: press CONTROL [EVENT]"},
        {"advance soon", "advance takes milliseconds from 0 to 86400000, not \"soon\""},
        {"advance -5", "advance takes milliseconds"},
        {"advance 86400001", "advance takes milliseconds"},
        {"revertive \"No Such\" 1 x", "the plant has no device named \"No Such\""},
        {"revertive 21 x y", "the index must be a whole number, not \"x\""},
        {"route XPTS 1 1", "\"XPTS\" is not a router of the plant"},
        {"route 21 8 1", "\"21\" has sources 0..7 and destinations 0..3"},
        {"poll 21", "expected: poll ROUTER FIRST [LAST]"},
        {"show everything", "show panel [ID], show routes or show timers"},
        {"show routes 1", "show routes takes nothing more"},
        {"expect", "expected: expect command TEXT"},
        {"expect colour red", "unknown expectation \"colour\""},
        {"expect command", "expected: expect command TEXT"},
        {"expect property a b", "expected: expect property CONTROL PROPERTY VALUE"},
        {"query \"open", "a quoted word is not closed"},
        {"query \"a\"b", "a quoted word must be followed by a blank"},
        {"query a\"b\"", "a double quote inside a word"},
        {"query \"\\q\"", "unknown escape \\q"},
        {"quit now", "expected: quit"},
        {"tick", "expected: tick ID"},
        {"tick soon", "the timer id must be a whole number, not \"soon\""},
        {"replies", "expected: replies plant|null|empty|long"},
        {"replies rude", "replies takes plant, null, empty or long, not \"rude\""},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const SessionParse parse = parseSession(std::string("# first\n") + line + "\n", "s.vesk", sessionPlant());
        EXPECT_TRUE(parse.steps.empty());
        EXPECT_EQ(parse.error.rfind(std::string("s.vesk:2: ") + message, 0), 0u) << parse.error;
    }
}

} // namespace
