// Rig_Vue driven only as a host drives it: the library is loaded with
// dlopen, the export found by name, and every event goes through callback.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "deliveries.h"
#include "recording_host.h"
#include "script_loader.h"

namespace {

using Calls = std::vector<std::string>;

vesk_load_function loadExport()
{
    static vesk_load_function load = loadScriptExport(RIG_VUE_LIBRARY);
    return load;
}

// A plant: packages XPTS device 5, SDI router 7 (destination 12), audio
// router 8 (destination 17).
void answerPlant(RecordingHost& host)
{
    host.reply("SD 'ZEP Package Names'", "3");
    host.reply("SD 'ZEP Package XPTS'", "5");
    host.reply("SD 'ZEP SDI Router'", "7 1");
    host.reply("SD 'ZEP Audio Router'", "8");
    host.reply("RN 5 1 362", "12,17");
    host.reply("RN 5 0 1", "101,201");
    host.reply("RN 5 0 2", "-,202");
    host.reply("RN 5 0 3", "103,-");
    host.reply("RN 5 0 4", "0,0");
    host.reply("RN 5 0 6", "106");
    host.status("PS '1' 'Rig_Vue.vesk_ui'", 1);
}

const Calls startUp = {
    "SD 'ZEP Package Names'", "release 3",
    "SD 'ZEP Package XPTS'", "release 5",
    "SD 'ZEP SDI Router'", "release 7 1",
    "SD 'ZEP Audio Router'", "release 8",
    "RN 5 1 362", "release 12,17",
    "PS '1' 'Rig_Vue.vesk_ui'",
    "TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'",
    "TP 'statesheet=KQ_Tally_Red' '1' 'AudioEnable'",
    "RR 7 12 12", "RR 8 17 17",
    "RP 7 12 12", "RP 8 17 17",
};

struct Panel {
    RecordingHost host;
    std::unique_ptr<vesk_client_callback> script;

    explicit Panel(const char* path = "", bool plant = true)
    {
        if (plant)
            answerPlant(host);
        script.reset(loadExport()(&host, path));
    }
    Calls sent(const std::function<void(vesk_client_callback&)>& event)
    {
        host.clear();
        event(*script);
        return host.log;
    }
};

TEST(PanelLoadTest, TheExportIsFoundByName)
{
    ASSERT_NE(loadExport(), nullptr);
}

TEST(PanelLifeTest, StartUpSendsEverythingInOrder)
{
    Panel panel;
    EXPECT_EQ(panel.host.log, startUp);
    EXPECT_TRUE(panel.host.violations.empty());
}

TEST(PanelLifeTest, StartUpPutsThePathInFrontOfThePanelFile)
{
    Panel panel("D:/panels");
    EXPECT_EQ(panel.host.commands()[5], "PS '1' 'D:/panels/Rig_Vue.vesk_ui'");
}

TEST(PanelLifeTest, ShutdownDropsBothRegistrationsThenEnds)
{
    Panel panel;
    panel.host.clear();
    panel.script.reset();
    EXPECT_EQ(panel.host.log, (Calls{"RU 7", "RU 8", "AS"}));
    EXPECT_TRUE(panel.host.unreturned().empty());
    EXPECT_TRUE(panel.host.violations.empty());
}

TEST(PanelLifeTest, AnUnknownPlantUsesZeroEverywhere)
{
    Panel panel("", false);
    EXPECT_EQ(panel.host.log,
              (Calls{"SD 'ZEP Package Names'", "SD 'ZEP Package XPTS'", "SD 'ZEP SDI Router'", "SD 'ZEP Audio Router'",
                     "RN 0 1 362", "release null", "PS '1' 'Rig_Vue.vesk_ui'",
                     "TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'", "TP 'statesheet=KQ_Tally_Red' '1' 'AudioEnable'",
                     "RR 0 0 0", "RR 0 0 0", "RP 0 0 0", "RP 0 0 0"}));
}

TEST(PanelLifeTest, DestinationsWithAMissingSide)
{
    RecordingHost host;
    host.reply("SD 'ZEP Package XPTS'", "5");
    host.reply("SD 'ZEP SDI Router'", "7");
    host.reply("SD 'ZEP Audio Router'", "8");
    host.reply("RN 5 1 362", "-,17");
    std::unique_ptr<vesk_client_callback> script(loadExport()(&host, ""));
    Calls commands = host.commands();
    EXPECT_EQ(Calls(commands.end() - 4, commands.end()), (Calls{"RR 7 0 0", "RR 8 17 17", "RP 7 0 0", "RP 8 17 17"}));
}

TEST(PanelLifeTest, ANullHostFromLoadToDestroy)
{
    std::unique_ptr<vesk_client_callback> script(loadExport()(nullptr, nullptr));
    ASSERT_NE(script, nullptr);
    deliver::control(*script, "1", "Sources", "index=1");
    deliver::control(*script, "1", "WFM_Mon", "press");
    deliver::revertive(*script, 0, 0, "x");
    EXPECT_EQ(deliver::parentQuery(*script, "_events"), std::optional<std::string>("notify=*"));
    deliver::timer(*script, 1);
}

TEST(PanelEventTest, PackageChoice)
{
    struct Case {
        const char* name;
        const char* panel;
        const char* event;
        Calls sent;
    } cases[] = {
        {"both routes", "1", "index=1",
         {"RN 5 0 1", "release 101,201", "RC 7 101 12 ',' 0", "RC 8 201 17 ',' 0", "ET 1 250"}},
        {"video side absent", "1", "index=2", {"RN 5 0 2", "release -,202", "RC 8 202 17 ',' 0", "ET 1 250"}},
        {"audio side absent", "1", "index=3", {"RN 5 0 3", "release 103,-", "RC 7 103 12 ',' 0", "ET 1 250"}},
        {"zero sources", "1", "index=4", {"RN 5 0 4", "release 0,0", "ET 1 250"}},
        {"missing entry", "1", "index=5", {"RN 5 0 5", "release null", "ET 1 250"}},
        {"no comma", "1", "index=6", {"RN 5 0 6", "release 106", "RC 7 106 12 ',' 0", "ET 1 250"}},
        {"index 0", "1", "index=0", {}},
        {"negative index", "1", "index=-2", {}},
        {"not a number", "1", "index=abc", {}},
        {"other event", "1", "select=1", {}},
        {"no value", "1", "index", {}},
        {"other panel", "2", "index=1", {}},
        {"panel 01 is not panel 1", "01", "index=1", {}},
        {"panel ' 1' is not panel 1", " 1", "index=1", {}},
    };
    for (const auto& c : cases) {
        Panel panel;
        EXPECT_EQ(panel.sent([&](auto& s) { deliver::control(s, c.panel, "Sources", c.event); }), c.sent) << c.name;
    }
}

TEST(PanelEventTest, FollowingOffSkipsThatRoute)
{
    Panel panel;
    EXPECT_EQ(panel.sent([](auto& s) { deliver::control(s, "1", "WFM_Mon", "press"); }),
              Calls{"TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'"});
    EXPECT_EQ(panel.sent([](auto& s) { deliver::control(s, "1", "Sources", "index=1"); }),
              (Calls{"RN 5 0 1", "release 101,201", "RC 8 201 17 ',' 0", "ET 1 250"}));
    EXPECT_EQ(panel.sent([](auto& s) { deliver::control(s, "1", "Audio_Mon", "x"); }),
              Calls{"TP 'statesheet=KQ_Tally_Black' '1' 'AudioEnable'"});
    EXPECT_EQ(panel.sent([](auto& s) { deliver::control(s, "1", "Sources", "index=1"); }),
              (Calls{"RN 5 0 1", "release 101,201", "ET 1 250"}));
}

TEST(PanelEventTest, TogglesFlipTheTallyBothWays)
{
    struct Case {
        const char* control;
        const char* tally;
    } cases[] = {{"WFM_Mon", "VideoEnable"}, {"Audio_Mon", "AudioEnable"}};
    for (const auto& c : cases) {
        Panel panel;
        std::string tally = std::string("' '1' '") + c.tally + "'";
        EXPECT_EQ(panel.sent([&](auto& s) { deliver::control(s, "1", c.control, "press"); }),
                  Calls{"TP 'statesheet=KQ_Tally_Black" + tally});
        EXPECT_EQ(panel.sent([&](auto& s) { deliver::control(s, "1", c.control, "release=0"); }),
                  Calls{"TP 'statesheet=KQ_Tally_Red" + tally});
        // Toggles from another panel are ignored.
        EXPECT_EQ(panel.sent([&](auto& s) { deliver::control(s, "2", c.control, "press"); }), Calls{});
    }
}

TEST(PanelEventTest, RevertivesShowTheSourceText)
{
    struct Case {
        int device;
        int index;
        const char* text;
        Calls sent;
    } cases[] = {
        {7, 12, " CAM 1 ", {"TP 'text= CAM 1 ' '1' 'video_source'"}},
        {8, 17, "MIC 4", {"TP 'text=MIC 4' '1' 'audio_source'"}},
        {7, 17, "x", {}},
        {8, 12, "x", {}},
        {9, 12, "x", {}},
        {7, 12, "", {"TP 'text=' '1' 'video_source'"}},
        {7, 12, "it's %1", {"TP 'text=it's %1' '1' 'video_source'"}},
    };
    for (const auto& c : cases) {
        Panel panel;
        EXPECT_EQ(panel.sent([&](auto& s) { deliver::revertive(s, c.device, c.index, c.text); }), c.sent)
            << c.device << " " << c.index;
    }
}

TEST(PanelEventTest, OneRouterForBothUpdatesOnlyVideo)
{
    RecordingHost host;
    host.reply("SD 'ZEP Package XPTS'", "5");
    host.reply("SD 'ZEP SDI Router'", "7");
    host.reply("SD 'ZEP Audio Router'", "7");
    host.reply("RN 5 1 362", "12,12");
    std::unique_ptr<vesk_client_callback> script(loadExport()(&host, ""));
    host.clear();
    deliver::revertive(*script, 7, 12, "SRC");
    EXPECT_EQ(host.log, Calls{"TP 'text=SRC' '1' 'video_source'"});
}

TEST(PanelEventTest, ParentQueriesAreAnsweredByName)
{
    struct Case {
        const char* query;
        std::optional<std::string> answer;
    } cases[] = {
        {"_events", "notify=*"}, {"_events=x", "notify=*"}, {"_events.a.b", "notify=*"},
        {"return=all", std::nullopt}, {"return=other", std::nullopt}, {"return", std::nullopt},
        {"_commands", std::nullopt}, {"other", std::nullopt}, {"", std::nullopt}, {nullptr, std::nullopt},
    };
    for (const auto& c : cases) {
        Panel panel;
        EXPECT_EQ(deliver::parentQuery(*panel.script, c.query), c.answer) << (c.query ? c.query : "null");
        EXPECT_TRUE(panel.host.violations.empty());
    }
}

TEST(PanelEventTest, TimerOneClearsTheSelection)
{
    Panel panel;
    EXPECT_EQ(panel.sent([](auto& s) { deliver::timer(s, 1); }),
              (Calls{"ET 1", "TP 'select=-1' '1' 'Sources'"}));
    EXPECT_EQ(panel.sent([](auto& s) { deliver::timer(s, 2); }), Calls{"ET 2"});
    EXPECT_EQ(panel.sent([](auto& s) { deliver::timer(s, -7); }), Calls{"ET -7"});
}

} // namespace
