// The recorder: the session file it writes for what was done on the page,
// line by line, and the step lines it writes, which the session reader
// must read back to the same step.
#include <gtest/gtest.h>

#include "plant/plant_file.h"
#include "session/session_lines.h"
#include "web/recorder.h"

using namespace vesk_host;
using namespace vesk_host::web;

namespace {

Plant rigPlant()
{
    auto plant = loadPlantFile(EXAMPLES_DIR "/plant.toml");
    EXPECT_TRUE(plant) << plant.error().message;
    return plant ? std::move(*plant) : Plant{};
}

Step parsed(const std::string& line, const Plant& plant)
{
    auto step = parseStep(line, 1, plant);
    EXPECT_TRUE(step && *step) << line;
    return step && *step ? **step : Step{};
}

ActionFacts commandFacts(std::vector<std::string> texts)
{
    ActionFacts facts;
    for (std::string& text : texts)
        facts.commands.push_back({std::move(text), ""});
    return facts;
}

} // namespace

TEST(SessionWord, QuotesOnlyWhatNeedsIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Sources", "Sources"},
        {"index=1", "index=1"},
        {"", "\"\""},
        {"CAM 5", "\"CAM 5\""},
        {"null", "\"null\""},
        {"#5", "\"#5\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"two\nlines", "\"two\\nlines\""},
        {"tab\there", "\"tab\\there\""},
        {"RC 21 5 12 ',' 0", "\"RC 21 5 12 ',' 0\""},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const auto& [text, word] : cases)
        EXPECT_EQ(sessionWord(text), word) << text;
}

TEST(StepLine, ReadsBackToTheSameStep)
{
    const Plant plant = rigPlant();
    const std::pair<const char*, const char*> cases[] = {
        {"press Sources index=1", "press Sources index=1"},
        {"press WFM_Mon", "press WFM_Mon"},
        {"press \"odd control\" \"a b\"", "press \"odd control\" \"a b\""},
        {"panel 2", "panel 2"},
        {"advance 250ms", "advance 250"},
        {"query _events", "query _events"},
        {"query", "query"},
        {"query \"\"", "query \"\""},
        {"revertive \"ZEP SDI Router\" 12 \"CAM 3\"", "revertive 21 12 \"CAM 3\""},
        {"route \"ZEP SDI Router\" 9 4", "route 21 9 4"},
        {"poll 21 12", "poll 21 12 12"},
        {"poll \"ZEP Audio Router\" 0 7", "poll 22 0 7"},
        {"tick 1", "tick 1"},
        {"replies long", "replies long"},
        {"show panel", "show panel"},
        {"show panel 1", "show panel 1"},
        {"show routes", "show routes"},
        {"show timers", "show timers"},
        {"expect command \"RN 12 0 1\"", "expect command \"RN 12 0 1\""},
        {"expect no-more-commands", "expect no-more-commands"},
        {"expect property video_source text \"CAM 5\"", "expect property video_source text \"CAM 5\""},
        {"expect answer null", "expect answer null"},
        {"expect answer \"null\"", "expect answer \"null\""},
        {"shutdown", "shutdown"},
    };
    for (const auto& [line, written] : cases) {
        const Step step = parsed(line, plant);
        const std::string again = stepLine(step.action);
        EXPECT_EQ(again, written) << line;
        EXPECT_EQ(stepLine(parsed(again, plant).action), again) << line;
    }
}

TEST(StepLine, KeepsBytesTheTranscriptEscapes)
{
    const Plant plant = rigPlant();
    const Step step = parsed("revertive 21 12 \"caf\xC3\xA9 \xFF\"", plant);
    EXPECT_NE(step.source.find("\\x"), std::string::npos);  // the transcript's form cannot be read back
    const Step again = parsed(stepLine(step.action), plant);
    EXPECT_EQ(std::get<step::Revertive>(again.action).text, "caf\xC3\xA9 \xFF");
}

TEST(Recorder, WritesStepsWithTheirExpectations)
{
    const Plant plant = rigPlant();
    Recorder recorder({"recorded by a test", "second\nline"});
    recorder.startUp(commandFacts({"SD 'ZEP SDI Router'", "PS '1' 'panels/Rig_Vue.vesk_ui'"}));

    ActionFacts press = commandFacts({"RN 12 0 1", "TP 'text=CAM 5' '1' 'video_source'"});
    press.properties = {{"1", "video_source", "text", "CAM 5", ""}, {"2", "other", "text", "", ""}};
    recorder.step(parsed("press Sources index=1", plant), press);

    ActionFacts query;
    query.answer = std::optional<std::string>("notify=*");
    recorder.step(parsed("query _events", plant), query);
    ActionFacts nullQuery;
    nullQuery.answer = std::optional<std::string>();
    recorder.step(parsed("query return=all", plant), nullQuery);

    recorder.step(parsed("replies null", plant), {});
    recorder.step(parsed("expect command \"RN 12 0 1\"", plant), {});
    recorder.step(parsed("expect property video_source text \"CAM 5\"", plant), {});
    recorder.step(parsed("help", plant), {});
    recorder.step(parsed("quit", plant), {});
    recorder.refused("press Nothing", "panel \"1\" has no control \"Nothing\"");

    EXPECT_EQ(recorder.text(), "# recorded by a test\n"
                               "# second line\n"
                               "# start-up\n"
                               "expect command \"SD 'ZEP SDI Router'\"\n"
                               "expect command \"PS '1' 'panels/Rig_Vue.vesk_ui'\"\n"
                               "expect no-more-commands\n"
                               "press Sources index=1\n"
                               "expect command \"RN 12 0 1\"\n"
                               "expect command \"TP 'text=CAM 5' '1' 'video_source'\"\n"
                               "expect no-more-commands\n"
                               "expect property video_source text \"CAM 5\"\n"
                               "panel 2\n"
                               "expect property other text \"\"\n"
                               "panel 1\n"
                               "query _events\n"
                               "expect no-more-commands\n"
                               "expect answer notify=*\n"
                               "query return=all\n"
                               "replies null\n"
                               // Typed expectations stay where they were typed, before the action's own.
                               "expect command \"RN 12 0 1\"\n"
                               "expect property video_source text \"CAM 5\"\n"
                               "# refused: press Nothing (panel \"1\" has no control \"Nothing\")\n"
                               "expect no-more-commands\n"
                               "expect answer null\n");
    EXPECT_FALSE(recorder.full());
}

TEST(Recorder, AddressesEveryPositionOfAStudio)
{
    const Plant plant = rigPlant();
    Recorder recorder({}, {"Rig", "Watch"});
    ActionFacts startUp;
    startUp.commands = {{"SD 'ZEP SDI Router'", "Rig"}, {"RR 21 12 12", "Watch"}};
    recorder.startUp(startUp);

    ActionFacts press;
    press.commands = {{"RN 12 0 1", "Rig"}, {"TP 'text=CAM 5' '1' 'video'", "Watch"}, {"TP 'x' '1' 'audio'", "Watch"}};
    press.properties = {{"1", "video", "text", "CAM 5", "Watch"}, {"2", "level", "text", "0", "Rig"}};
    recorder.step(parsed("@Rig press Sources index=1", plant), press);
    // The typed expectation checks the watch panel's first command: the recorder writes only the second.
    recorder.step(parsed("expect @Watch command \"TP 'text=CAM 5' '1' 'video'\"", plant), {});
    recorder.step(parsed("@Watch panel 2", plant), {});
    ActionFacts query;
    query.answer = std::optional<std::string>("ok");
    recorder.step(parsed("@Watch query state", plant), query);
    // A step that names no position is the first position's.
    recorder.step(parsed("press Sources index=2", plant), {});

    EXPECT_EQ(recorder.text(), "# start-up\n"
                               "expect @Rig command \"SD 'ZEP SDI Router'\"\n"
                               "expect @Rig no-more-commands\n"
                               "expect @Watch command \"RR 21 12 12\"\n"
                               "expect @Watch no-more-commands\n"
                               "@Rig press Sources index=1\n"
                               "expect @Watch command \"TP 'text=CAM 5' '1' 'video'\"\n"
                               "@Watch panel 2\n"
                               "expect @Rig command \"RN 12 0 1\"\n"
                               "expect @Rig no-more-commands\n"
                               "@Rig panel 2\n"
                               "expect @Rig property level text 0\n"
                               "@Rig panel 1\n"
                               "expect @Watch command \"TP 'x' '1' 'audio'\"\n"
                               "expect @Watch no-more-commands\n"
                               "@Watch panel 1\n"
                               "expect @Watch property video text \"CAM 5\"\n"
                               "@Watch panel 2\n"
                               "@Watch query state\n"
                               "expect @Rig no-more-commands\n"
                               "expect @Watch no-more-commands\n"
                               "expect @Watch answer ok\n"
                               "press Sources index=2\n"
                               "expect @Rig no-more-commands\n"
                               "expect @Watch no-more-commands\n");
}

TEST(Recorder, JoinsAdvancesThatCausedNothing)
{
    const Plant plant = rigPlant();
    Recorder recorder({});
    recorder.step(parsed("advance 100", plant), {});
    recorder.step(parsed("advance 100", plant), {});
    EXPECT_EQ(recorder.text(), "advance 200\n");  // still open: a Save now gets it
    recorder.step(parsed("advance 50", plant), commandFacts({"ET 1", "TP 'select=-1' '1' 'Sources'"}));
    recorder.step(parsed("advance 10", plant), {});
    recorder.step(parsed("press WFM_Mon", plant), commandFacts({}));
    recorder.step(parsed("advance 5", plant), {});
    EXPECT_EQ(recorder.text(), "advance 250\n"
                               "expect command \"ET 1\"\n"
                               "expect command \"TP 'select=-1' '1' 'Sources'\"\n"
                               "expect no-more-commands\n"
                               "advance 10\n"
                               "press WFM_Mon\n"
                               "expect no-more-commands\n"
                               "advance 5\n");
}

TEST(Recorder, MarksTheStepAProcessDiedIn)
{
    const Plant plant = rigPlant();
    Recorder recorder({});
    recorder.step(parsed("advance 30", plant), {});
    recorder.died(parsed("press WFM_Mon", plant), "the script crashed during \"press WFM_Mon\": SIGSEGV");
    EXPECT_EQ(recorder.text(), "advance 30\n"
                               "# the script crashed during \"press WFM_Mon\": SIGSEGV:\n"
                               "press WFM_Mon\n");
}

TEST(Recorder, AnIncompleteActionIsNotChecked)
{
    const Plant plant = rigPlant();
    Recorder recorder({});
    ActionFacts storm = commandFacts({"RP 21 0 15"});
    storm.complete = false;
    recorder.step(parsed("poll 21 0 15", plant), storm);
    EXPECT_EQ(recorder.text(), "poll 21 0 15\n"
                               "# this action sent more commands than were recorded; they are not checked\n");
}

TEST(Recorder, TypedExpectationsReplayAsTheyWentOnThePage)
{
    const Plant plant = rigPlant();
    Recorder recorder({});
    recorder.step(parsed("press Sources index=1", plant), commandFacts({"RN 12 0 1", "RN 12 0 2", "RN 12 0 3"}));
    // Passed: checks the first command, so the recorder checks only the rest.
    recorder.step(parsed("expect command \"RN 12 0 1\"", plant), {});
    // Failed: kept, so that the replay fails where the page did.
    recorder.step(parsed("expect property video_source text \"CAM 9\"", plant), {},
                  "expected \"CAM 9\", was \"CAM 5\"\nsecond line");
    recorder.step(parsed("expect no-more-commands", plant), {}, "2 commands were not checked");
    recorder.refused("fly away", "line 1: unknown step \"fly\"");
    recorder.step(parsed("press WFM_Mon", plant), commandFacts({"TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'"}));
    EXPECT_EQ(recorder.text(), "press Sources index=1\n"
                               "expect command \"RN 12 0 1\"\n"
                               "# failed on the page: expected \"CAM 9\", was \"CAM 5\" second line\n"
                               "expect property video_source text \"CAM 9\"\n"
                               "# failed on the page: 2 commands were not checked\n"
                               "expect no-more-commands\n"
                               "# refused: fly away (line 1: unknown step \"fly\")\n"
                               // The typed no-more-commands checked every command left.
                               "press WFM_Mon\n"
                               "expect command \"TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'\"\n"
                               "expect no-more-commands\n");
}
