// Session files: the steps as read, and the message each mistake gets.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "plant/plant_file.h"
#include "session/session_lines.h"
#include "session/session_steps.h"

using namespace vesk_host;

namespace {

Plant sessionPlant()
{
    return *parsePlant("[[device]]\nname = \"ZEP SDI Router\"\nnumber = 21\n"
                       "[[device]]\nname = \"XPTS\"\nnumber = 12\n"
                       "[[router]]\ndevice = \"ZEP SDI Router\"\nsources = 8\ndestinations = 4\n",
                       "plant.toml", "/x");
}

TEST(SessionStepsTest, ReadsEveryStep)
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
    const auto parse = parseSession(text, "s.vesk", sessionPlant());
    ASSERT_TRUE(parse) << parse.error().message;
    // The quick first reading of a file accepts what the reading of its steps does.
    std::istringstream lines(text);
    const Status checked = checkSteps(lines, "s.vesk", sessionPlant());
    EXPECT_TRUE(checked) << checked.error().message;
    const auto& steps = *parse;
    ASSERT_EQ(steps.size(), 23u);
    const auto as = [&](std::size_t i, auto type) { return std::get<decltype(type)>(steps.at(i).action); };
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(as(0, step::Press{}).control, "Sources");
    EXPECT_EQ(as(0, step::Press{}).event, "index=3");
    EXPECT_EQ(steps[0].source, "press Sources index=3");
    EXPECT_EQ(as(1, step::Press{}).control, "WFM_Mon");
    EXPECT_EQ(as(1, step::Press{}).event, "");
    EXPECT_EQ(as(2, step::Panel{}).id, "2");
    EXPECT_EQ(as(3, step::Advance{}).milliseconds, 250);
    EXPECT_EQ(as(4, step::Advance{}).milliseconds, 1000);
    EXPECT_EQ(as(5, step::Query{}).text, std::optional<std::string>("_events"));
    EXPECT_EQ(as(6, step::Query{}).text, std::nullopt);
    EXPECT_EQ(as(7, step::Revertive{}).device, 21);
    EXPECT_EQ(as(7, step::Revertive{}).index, 12);
    EXPECT_EQ(as(7, step::Revertive{}).text, "CAM 5 \"A\"");
    EXPECT_EQ(steps[7].source, "revertive \"ZEP SDI Router\" 12 \"CAM 5 \\\"A\\\"\"");
    EXPECT_EQ(as(8, step::Revertive{}).device, 99);
    EXPECT_EQ(as(9, step::Route{}).source, 7);
    EXPECT_EQ(as(9, step::Route{}).destination, 3);
    EXPECT_EQ(as(10, step::Poll{}).first, 0);
    EXPECT_EQ(as(10, step::Poll{}).last, 3);
    EXPECT_EQ(as(11, step::Poll{}).last, 2);
    EXPECT_EQ(as(12, step::Show{}).what, step::Show::What::panel);
    EXPECT_EQ(as(13, step::Show{}).what, step::Show::What::routes);
    EXPECT_EQ(as(14, step::ExpectCommand{}).text, "TP 'text=CAM 5' '1' 'video_source'");
    EXPECT_TRUE(std::holds_alternative<step::ExpectNoMoreCommands>(steps[15].action));
    EXPECT_EQ(as(16, step::ExpectProperty{}).value, "-1");
    EXPECT_EQ(as(17, step::ExpectAnswer{}).text, std::nullopt);
    EXPECT_EQ(as(18, step::ExpectAnswer{}).text, std::optional<std::string>("null"));
    EXPECT_TRUE(std::holds_alternative<step::Shutdown>(steps[19].action));
    EXPECT_TRUE(std::holds_alternative<step::Quit>(steps[20].action));
    EXPECT_EQ(as(21, step::Tick{}).id, -7);
    EXPECT_EQ(as(22, step::Replies{}).mode, ReplyMode::long_);
}

TEST(SessionStepsTest, AByteOrderMarkIsSkipped)
{
    const auto parse = parseSession("\xEF\xBB\xBFpress Sources\n", "s.vesk", sessionPlant());
    ASSERT_TRUE(parse) << parse.error().message;
    EXPECT_EQ(std::get<step::Press>(parse->at(0).action).control, "Sources");
}

TEST(SessionStepsTest, EachMistakeNamesItsLine)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"pres Sources", "unknown step \"pres\" (press, panel, event, advance"},
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
        {"soak", "expected: soak STEPS [SEED]"},
        {"soak -1", "soak takes a number of steps from 0 to 10000000, not \"-1\""},
        {"soak 10000001", "soak takes a number of steps from 0 to 10000000, not \"10000001\""},
        {"soak 5 -1", "the soak's seed is a whole number from 0, not \"-1\""},
        {"soak 5 x", "the soak's seed is a whole number from 0, not \"x\""},
        {"soak 5 1 2", "expected: soak STEPS [SEED]"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const std::string text = std::string("# first\n") + line + "\npress never_read\n";
        const auto parse = parseSession(text, "s.vesk", sessionPlant());
        ASSERT_FALSE(parse);
        EXPECT_EQ(parse.error().message.rfind(std::string("s.vesk:2: ") + message, 0), 0u) << parse.error().message;
        // The quick first reading refuses the file with the same words.
        std::istringstream lines(text);
        const Status checked = checkSteps(lines, "s.vesk", sessionPlant());
        ASSERT_FALSE(checked);
        EXPECT_EQ(checked.error().message, parse.error().message);
    }
}

TEST(SessionStepsTest, NumbersOutOfRangeSaySo)
{
    Plant plant;
    plant.devices.push_back(Device{"SDI", 7, {}});
    plant.routers.push_back(Router{7, 4, 4, {}, {0, 0, 0, 0}, {}});
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"tick 99999999999", "the timer id is too large (at most 2147483647), not \"99999999999\""},
        {"tick -99999999999", "the timer id is too small (at least -2147483648), not \"-99999999999\""},
        {"tick 12x", "the timer id must be a whole number, not \"12x\""},
        {"route SDI 2147483648 1", "is too large (at most 2147483647)"},
        {"revertive 99999999999 1 x", "the device number \"99999999999\" is too large (at most 2147483647)"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const auto step = parseStep(line, 1, plant);
        ASSERT_FALSE(step);
        EXPECT_NE(step.error().message.find(message), std::string::npos) << step.error().message;
    }
}

TEST(SessionStepsTest, ASoakReadsItsStepsAndItsSeed)
{
    struct Case {
        const char* line;
        std::int64_t steps;
        std::uint64_t seed;
    };
    const std::vector<Case> cases = {
        {"soak 0", 0, 1},
        {"soak 1", 1, 1},
        {"soak 10000000", mostSoakSteps, 1},
        {"soak 9999999 0", mostSoakSteps - 1, 0},
        {"soak 20 7", 20, 7},
        {"soak 20 9223372036854775807", 20, 9223372036854775807ULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto parsed = parseStep(c.line, 1, sessionPlant());
        ASSERT_TRUE(parsed && *parsed) << (parsed ? "" : parsed.error().message);
        const auto& soak = std::get<step::Soak>((*parsed)->action);
        EXPECT_EQ(soak.steps, c.steps);
        EXPECT_EQ(soak.seed, c.seed);
    }
}

// Every kind of step is written as a line that reads back to the same line:
// what the soak and the live page's recorder write, keywords from the table.
TEST(SessionStepsTest, EveryStepIsWrittenAsALineThatReadsBack)
{
    const std::vector<std::pair<StepAction, const char*>> cases = {
        {step::Press{"Sources", "index=3"}, "press Sources index=3"},
        {step::Press{"two words", ""}, "press \"two words\""},
        {step::Panel{"2"}, "panel 2"},
        {step::Event{"9", "three", ""}, "event 9 three"},
        {step::Advance{250}, "advance 250"},
        {step::Query{std::nullopt}, "query"},
        {step::Query{std::string("null")}, "query \"null\""},
        {step::Revertive{21, 12, "CAM 5"}, "revertive 21 12 \"CAM 5\""},
        {step::Route{21, 7, 3}, "route 21 7 3"},
        {step::Poll{21, 0, 3}, "poll 21 0 3"},
        {step::Tick{-7}, "tick -7"},
        {step::Replies{ReplyMode::empty}, "replies empty"},
        {step::Show{step::Show::What::panel, ""}, "show panel"},
        {step::Show{step::Show::What::panel, "2"}, "show panel 2"},
        {step::Show{step::Show::What::routes, ""}, "show routes"},
        {step::Show{step::Show::What::timers, ""}, "show timers"},
        {step::ExpectCommand{"ET 1 10"}, "expect command \"ET 1 10\""},
        {step::ExpectNoMoreCommands{}, "expect no-more-commands"},
        {step::ExpectProperty{"Sources", "select", "-1"}, "expect property Sources select -1"},
        {step::ExpectAnswer{std::nullopt}, "expect answer null"},
        {step::ExpectHandedBack{std::string("21")}, "expect handed-back 21"},
        {step::Soak{40, 7}, "soak 40 7"},
        {step::Shutdown{}, "shutdown"},
        {step::Quit{}, "quit"},
        {step::Help{}, "help"},
    };
    std::set<std::size_t> kinds;
    for (const auto& [action, line] : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(stepLine(action), line);
        const auto parsed = parseStep(stepLine(action), 1, sessionPlant());
        ASSERT_TRUE(parsed && *parsed) << (parsed ? "" : parsed.error().message);
        EXPECT_EQ(stepLine((*parsed)->action), line);
        kinds.insert(action.index());
    }
    EXPECT_EQ(kinds.size(), std::variant_size_v<StepAction>);
}

} // namespace
