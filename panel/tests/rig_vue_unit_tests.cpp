// Rig_Vue's built library on vesk::testing's fake host, as a script author
// tests a script: the exact commands of start-up, of each kind of package
// choice, of the selection timer and of shutdown, with every reply handed
// back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vesk/testing.h"

namespace {

using namespace vesk::testing;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Optional;

class RigVueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // This position monitors destination 12 of the SDI router and 3 of
        // the audio router (database 1, entry 362); packages are database 0.
        host.plant()
            .device("ZEP Package Names", 11)
            .device("ZEP Package XPTS", 12)
            .device("ZEP SDI Router", 21)
            .device("ZEP Audio Router", 22)
            .database(12, 1, 362, "12,3")
            .database(12, 0, 1, "5,2")
            .database(12, 0, 2, "-,7")
            .router(21, 16)
            .router(22, 8)
            .sourceName(21, 1, "CAM 1")
            .sourceName(21, 5, "CAM 5")
            .sourceName(22, 1, "MIC 1")
            .sourceName(22, 2, "MIC 2")
            .crosspoint(21, 12, 1)
            .crosspoint(22, 3, 1);
        ASSERT_TRUE(host.load(VESK_SCRIPT_LIBRARY, "panels")) << host.violations().back();
    }
    void TearDown() override { EXPECT_THAT(host, KeptTheRules()); }

    FakeHost host;
};

TEST_F(RigVueTest, StartUpLooksUpLoadsRegistersAndPolls)
{
    EXPECT_THAT(host, SentCommands(ElementsAre(
                          "SD 'ZEP Package Names'", "SD 'ZEP Package XPTS'", "SD 'ZEP SDI Router'",
                          "SD 'ZEP Audio Router'", "RN 12 1 362", "PS '1' 'panels/Rig_Vue.vesk_ui'",
                          "TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'",
                          "TP 'statesheet=KQ_Tally_Red' '1' 'AudioEnable'", "RR 21 12 12", "RR 22 3 3",
                          "RP 21 12 12", "RP 22 3 3", "TP 'text=CAM 1' '1' 'video_source'",
                          "TP 'text=MIC 1' '1' 'audio_source'")));
}

TEST_F(RigVueTest, EachPackageChoiceRoutesWhatItHas)
{
    struct Case {
        const char* event;
        std::vector<std::string> commands;
    } cases[] = {
        {"index=1",
         {"RN 12 0 1", "RC 21 5 12 ',' 0", "RC 22 2 3 ',' 0", "ET 1 250", "TP 'text=CAM 5' '1' 'video_source'",
          "TP 'text=MIC 2' '1' 'audio_source'"}},
        // No video side: the audio router alone.
        {"index=2", {"RN 12 0 2", "RC 22 7 3 ',' 0", "ET 1 250", "TP 'text=7' '1' 'audio_source'"}},
        // No database entry: nothing routed, the timer all the same.
        {"index=4", {"RN 12 0 4", "ET 1 250"}},
        {"index=0", {}},
        {"select=1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        host.press("Sources", c.event);
        EXPECT_THAT(host, SentCommands(ElementsAreArray(c.commands)));
    }
}

TEST_F(RigVueTest, TheSelectionTimerClearsTheListOnce)
{
    host.press("Sources", "index=1");
    host.advance(249);
    EXPECT_THAT(host, SentNothing());
    host.advance(1);
    EXPECT_THAT(host, SentCommands(ElementsAre("ET 1", "TP 'select=-1' '1' 'Sources'")));
    EXPECT_THAT(host, HasProperty("Sources", "select", "-1"));
    host.advance(1000);
    EXPECT_THAT(host, SentNothing());
}

TEST_F(RigVueTest, VideoFollowingOffRoutesAudioOnly)
{
    host.press("WFM_Mon", "pressed=1");
    EXPECT_THAT(host, SentCommands(ElementsAre("TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'")));
    host.press("Sources", "index=1");
    EXPECT_THAT(host, SentCommands(ElementsAre("RN 12 0 1", "RC 22 2 3 ',' 0", "ET 1 250",
                                               "TP 'text=MIC 2' '1' 'audio_source'")));
}

TEST_F(RigVueTest, QueriesAndShutdown)
{
    EXPECT_THAT(host.query("_events"), Optional(std::string("notify=*")));
    EXPECT_EQ(host.query("_commands"), std::nullopt);
    host.shutdown();
    EXPECT_THAT(host, SentCommands(ElementsAre("RU 21", "RU 22", "AS")));
}

} // namespace
