// A studio: several scripts in one emulated host on one plant, driven by
// steps that address positions. What each position's script hears, in
// what order, and how a step names (or may not name) a position.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "plant/plant_file.h"
#include "session/session_runner.h"
#include "testing/fake_script.h"
#include "transcript/transcript_text.h"
#include "vesk_records.h"

using namespace vesk_host;

namespace {

// Each fake script registers for destination 12 of the SDI router at
// start-up; "take" routes source 5 there, "release" unregisters, "timer"
// starts its timer 1.
void* onEvent(vesk_client_callback& host, void* data, int code)
{
    if (code != VESK_CODE_CONTROL)
        return nullptr;
    const char* control = static_cast<const ControlEventRecord*>(data)->controlId;
    if (std::strcmp(control, "take") == 0)
        sendCommand(host, "RC 21 5 12 ',' 0");
    else if (std::strcmp(control, "release") == 0)
        sendCommand(host, "RU 21");
    else if (std::strcmp(control, "timer") == 0)
        sendCommand(host, "ET 1 100");
    return nullptr;
}

class StudioSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeScript::hooks.start = [](vesk_client_callback& host) { sendCommand(host, "RR 21 12 12"); };
        FakeScript::hooks.event = onEvent;
        FakeScript::hooks.end = [](vesk_client_callback& host) { sendCommand(host, "AS"); };
        events.subscribe(transcript);
    }
    void TearDown() override { FakeScript::reset(); }

    // Runs the steps on a studio of `names`; the transcript from the first step on.
    std::string run(const std::vector<std::string>& names, const std::vector<std::string>& steps)
    {
        std::vector<PositionSetup> setups;
        for (const std::string& name : names)
            setups.push_back(PositionSetup{name, std::nullopt, std::nullopt});
        Emulator emulator(plant, events, {}, setups);
        SessionRunner runner(emulator, events);
        EXPECT_TRUE(runner.startUp(std::vector<vesk_load_function>(names.size(), FakeScript::load)));
        text.str("");
        int line = 0;
        for (const std::string& step : steps) {
            const auto parsed = parseStep(step, ++line, plant);
            EXPECT_TRUE(parsed && *parsed) << step << ": " << (parsed ? "" : parsed.error().message);
            if (!parsed || !*parsed)
                break;
            const auto result = runner.run(**parsed);
            if (!result) {
                text << "refused: " << result.error().message << "\n";
                break;
            }
        }
        runner.finish();
        return text.str();
    }

    // The lines that start with `prefix`, one a line.
    static std::string linesStarting(const std::string& transcript, const std::string& prefix)
    {
        std::istringstream lines(transcript);
        std::string out;
        for (std::string line; std::getline(lines, line);)
            if (line.compare(0, prefix.size(), prefix) == 0)
                out += line + "\n";
        return out;
    }

    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    EventBus events;
    std::ostringstream text;
    TextTranscript transcript{[this](const std::string& line) { text << line; }};
};

TEST_F(StudioSessionTest, ATakeFromOnePositionReachesEveryRegisteredOneInOrder)
{
    const std::string out = run({"A", "B", "C"}, {"@B press take"});
    // Not a press: the fake's panel is not loaded; an "event" addresses any.
    EXPECT_NE(out.find("panel \"1\" is not loaded"), std::string::npos) << out;

    const std::string taken = run({"A", "B", "C"}, {"@B event 1 take"});
    EXPECT_EQ(taken, "== line 1: @B event 1 take\n"
                     "@B host > script  2  control \"1\" \"take\" \"\"\n"
                     "@B   script > host  0  \"RC 21 5 12 ',' 0\"  ->  null\n"
                     "@A host > script  1  revertive device 21 index 12 \"CAM 5\"\n"
                     "@B host > script  1  revertive device 21 index 12 \"CAM 5\"\n"
                     "@C host > script  1  revertive device 21 index 12 \"CAM 5\"\n"
                     "== shutdown at the end of the session\n"
                     "@A host > script  delete (virtual destructor)\n"
                     "@A   script > host  0  \"AS\"  ->  null\n"
                     "@B host > script  delete (virtual destructor)\n"
                     "@B   script > host  0  \"AS\"  ->  null\n"
                     "@C host > script  delete (virtual destructor)\n"
                     "@C   script > host  0  \"AS\"  ->  null\n");
}

TEST_F(StudioSessionTest, UnregisteringLeavesTheOthersListening)
{
    // An unnamed step addresses the first position; releasing twice is harmless.
    const std::string out = run({"A", "B"}, {"event 1 release", "route 21 9 12", "@A event 1 release", "route 21 9 12"});
    EXPECT_EQ(linesStarting(out, "@A host > script  1") + linesStarting(out, "@B host > script  1"),
              "@B host > script  1  revertive device 21 index 12 \"VT 1\"\n"
              "@B host > script  1  revertive device 21 index 12 \"VT 1\"\n");
}

TEST_F(StudioSessionTest, ShuttingOnePositionDownLeavesTheOthersRunning)
{
    const std::string out =
        run({"A", "B"}, {"@A event 1 timer", "@B event 1 timer", "@A shutdown", "advance 250", "route 21 9 12",
                         "@A query _events"});
    EXPECT_EQ(linesStarting(out, "@A host > script  4"), "");
    EXPECT_EQ(linesStarting(out, "@B host > script  4"), "@B host > script  4  timer 1 at 100 ms\n"
                                                          "@B host > script  4  timer 1 at 200 ms\n");
    EXPECT_EQ(linesStarting(out, "@B host > script  1"), "@B host > script  1  revertive device 21 index 12 \"VT 1\"\n");
    EXPECT_NE(out.find("the script of @A is not running"), std::string::npos) << out;
}

// Each position's commands are its own for "expect command".
TEST_F(StudioSessionTest, ExpectationsReadTheNamedPositionsCommands)
{
    const std::string out = run({"A", "B"}, {"@B event 1 take", "expect @B command \"RC 21 5 12 ',' 0\"",
                                             "expect command \"RC 21 5 12 ',' 0\"", "expect @A no-more-commands"});
    EXPECT_EQ(linesStarting(out, "ok") + linesStarting(out, "FAIL"),
              "ok    line 2: expect @B command \"RC 21 5 12 ',' 0\"\n"
              "ok    line 4: expect @A no-more-commands\n"
              "FAIL  line 3: expect command \"RC 21 5 12 ',' 0\"\n");
}

TEST_F(StudioSessionTest, AStepNamingNoSuchPositionIsRefused)
{
    EXPECT_NE(run({"A", "B"}, {"@Z event 1 take"}).find("refused: the studio has no position @Z (@A, @B)"),
              std::string::npos);
    FakeScript::reset();
    SetUp();
    EXPECT_NE(run({""}, {"@A event 1 take"}).find("this run has one script and no positions"), std::string::npos);
}

// How a step names its position; steps on the shared plant, the clock or
// the run take none.
TEST(StudioStepsTest, AtNameIsReadBeforeAStepOrAfterExpect)
{
    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    struct Case {
        const char* line;
        const char* position;  // null: refused
    };
    const std::vector<Case> cases = {
        {"press Sources index=1", ""},
        {"@B press Sources index=1", "B"},
        {"expect @B command \"RR 21 12 12\"", "B"},
        {"@B expect command \"RR 21 12 12\"", "B"},
        {"expect command \"@B\"", ""},
        {"@B shutdown", "B"},
        {"@B query", "B"},
        {"@", nullptr},
        {"@B", nullptr},
        {"@A @B press x", nullptr},
        {"@A press @B", nullptr},
        {"@A advance 10", nullptr},
        {"@A route 21 1 2", nullptr},
        {"@A show routes", nullptr},
        {"@A show timers", nullptr},
        {"@A quit", nullptr},
        {"@A soak 10", nullptr},
        {"\"@A\" press x", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto step = parseStep(c.line, 1, plant);
        if (!c.position) {
            EXPECT_FALSE(step);
            continue;
        }
        ASSERT_TRUE(step && *step) << (step ? "" : step.error().message);
        EXPECT_EQ((*step)->position, c.position);
        EXPECT_EQ((*step)->source, c.line);
    }
}

TEST(StudioStepsTest, ASessionCheckRefusesAPositionTheStudioLacks)
{
    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    const std::vector<std::string> names = {"A", "B"};
    std::istringstream good("@A press x\nexpect @B no-more-commands\n");
    EXPECT_TRUE(checkSteps(good, "s.vesk", plant, &names));
    std::istringstream bad("@A press x\n@C press y\n");
    const Status checked = checkSteps(bad, "s.vesk", plant, &names);
    ASSERT_FALSE(checked);
    EXPECT_NE(checked.error().message.find("s.vesk:2"), std::string::npos) << checked.error().message;
    EXPECT_NE(checked.error().message.find("no position @C"), std::string::npos);
}

} // namespace
