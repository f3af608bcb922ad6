// The live session end to end on real processes: Rig_Vue driven by page
// steps, the recording replayed by the ordinary session runner, and a
// script that crashes, exits or hangs on a press, which the server
// survives and restarts.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "abi/loader.h"
#include "base/files.h"
#include "emulator/emulator.h"
#include "plant/plant_file.h"
#include "rig/rig.h"
#include "session/session_runner.h"
#include "testing/temp_folder.h"
#include "transcript/finding_tally.h"
#include "web/live_session.h"

using namespace vesk_host;
using namespace vesk_host::web;

namespace {

LiveOptions options(const char* library, double watchdog = 20)
{
    LiveOptions live;
    live.library = library;
    auto plant = loadPlantFile(EXAMPLES_DIR "/plant.toml");
    EXPECT_TRUE(plant);
    live.plant = std::move(*plant);
    live.plantFile = EXAMPLES_DIR "/plant.toml";
    live.watchdogSeconds = watchdog;
    return live;
}

Json fullState(const LiveSession& session) { return Json::parse(session.fullState().first); }

std::string property(const Json& full, const std::string& control, const std::string& name)
{
    for (const Json& panel : full["state"]["panels"])
        for (const Json& entry : panel["controls"])
            if (entry["id"] == control)
                return entry["properties"].value(name, "(unset)");
    return "(no control)";
}

struct Replay {
    int met = 0;
    int failed = 0;
    int violations = 0;
    bool allRan = true;
};

// The recording run as `vesk_host run --session` runs it.
Replay replay(const std::string& session, const char* library)
{
    auto plant = loadPlantFile(EXAMPLES_DIR "/plant.toml");
    auto steps = parseSession(session, "recording", *plant);
    EXPECT_TRUE(steps) << steps.error().message;
    ScriptLibrary script;
    EXPECT_TRUE(script.open(library));
    EventBus events;
    FindingTally tally;
    events.subscribe(tally);
    Emulator emulator(std::move(*plant), events);
    SessionRunner runner(emulator, events);
    Replay result;
    EXPECT_TRUE(runner.startUp(script.entry()));
    for (const Step& step : *steps)
        result.allRan = result.allRan && runner.run(step).ok();
    runner.finish();
    result.met = runner.expectationsMet();
    result.failed = runner.expectationsFailed();
    result.violations = tally.violations();
    return result;
}

} // namespace

TEST(LiveSession, DrivesRigVueAndRecordsASessionThatReplays)
{
    Broadcast broadcast;
    LiveSession session(options(RIG_VUE_LIBRARY), broadcast);
    ASSERT_FALSE(session.start());
    EXPECT_EQ(session.processState(), "running");
    Json full = fullState(session);
    EXPECT_EQ(property(full, "VideoEnable", "statesheet"), "KQ_Tally_Red");
    EXPECT_EQ(property(full, "video_source", "text"), "CAM 1");
    EXPECT_EQ(property(full, "Sources", "items"), "News,Sport,Weather,Spare,Graphics");
    EXPECT_EQ(full["status"]["process"], "running");
    EXPECT_TRUE(full["status"]["script_running"].get<bool>());

    const std::uint64_t before = broadcast.last();
    for (const char* line : {"press Sources index=1", "advance 100", "advance 150", "press WFM_Mon",
                             "press Sources index=2", "query _events", "revertive \"ZEP SDI Router\" 12 \"VT 1\"",
                             "route 21 9 4", "poll 21 12", "tick 7", "replies empty", "press Sources index=3",
                             "replies plant", "advance 1000", "expect property Sources select -1",
                             "expect command \"ET 1\"", "show routes"}) {
        const auto outcome = session.step(line);
        EXPECT_EQ(outcome.httpStatus, 200) << line << ": " << outcome.message;
        EXPECT_EQ(outcome.message, "") << line;
    }
    EXPECT_EQ(broadcast.last(), before + 17);  // one update per step
    full = fullState(session);
    EXPECT_EQ(property(full, "VideoEnable", "statesheet"), "KQ_Tally_Black");
    EXPECT_EQ(property(full, "video_source", "text"), "CAM 5");
    EXPECT_EQ(property(full, "audio_source", "text"), "VT 1 A");
    EXPECT_EQ(full["state"]["outstanding_replies"], 0);
    EXPECT_EQ(full["state"]["violations"], 0);

    const std::string recording = session.recording();
    EXPECT_NE(recording.find("press Sources index=1\n"
                             "expect command \"RN 12 0 1\"\n"
                             "expect command \"RC 21 5 12 ',' 0\"\n"
                             "expect command \"RC 22 2 3 ',' 0\"\n"
                             "expect command \"ET 1 250\"\n"
                             "expect command \"TP 'text=CAM 5' '1' 'video_source'\"\n"
                             "expect command \"TP 'text=MIC 2' '1' 'audio_source'\"\n"
                             "expect no-more-commands\n"
                             "expect property video_source text \"CAM 5\"\n"
                             "expect property audio_source text \"MIC 2\"\n"
                             "advance 250\n"
                             "expect command \"ET 1\"\n"
                             "expect command \"TP 'select=-1' '1' 'Sources'\"\n"),
              std::string::npos)
        << recording;
    EXPECT_NE(recording.find("press WFM_Mon\n"
                             "expect command \"TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'\"\n"
                             "expect no-more-commands\n"
                             "expect property VideoEnable statesheet KQ_Tally_Black\n"),
              std::string::npos)
        << recording;
    EXPECT_NE(recording.find("query _events\nexpect no-more-commands\nexpect answer notify=*\n"), std::string::npos);
    // A typed expectation stays where it was typed; the recorder checks the rest of the action's commands.
    EXPECT_NE(recording.find("advance 1000\n"
                             "expect property Sources select -1\n"
                             "expect command \"ET 1\"\n"
                             "show routes\n"
                             "expect command \"TP 'select=-1' '1' 'Sources'\"\n"
                             "expect no-more-commands\n"),
              std::string::npos)
        << recording;
    EXPECT_EQ(session.failedExpectations(), 0);

    const Replay replayed = replay(recording, RIG_VUE_LIBRARY);
    EXPECT_TRUE(replayed.allRan);
    EXPECT_EQ(replayed.failed, 0) << recording;
    EXPECT_EQ(replayed.violations, 0);
    EXPECT_GT(replayed.met, 30);
}

// Two Rig_Vue panels at positions A and B of one studio: each position's
// panels and findings in the state, a route made from A reaching B, steps
// and expectations recorded with their positions, and the recording
// replayed green by a studio run.
TEST(LiveSession, DrivesAStudioAndRecordsItsPositions)
{
    LiveOptions live = options(RIG_VUE_LIBRARY);
    live.positions = {ScriptPosition{"A", RIG_VUE_LIBRARY, {}, {}}, ScriptPosition{"B", RIG_VUE_LIBRARY, {}, {}}};
    live.scriptsGiven = " --script A=Rig_Vue --script B=Rig_Vue";
    Broadcast broadcast;
    LiveSession session(live, broadcast);
    ASSERT_FALSE(session.start());
    const auto positionProperty = [&session](std::size_t at, const std::string& control) {
        const Json full = fullState(session);
        const Json& positions = full["state"]["positions"];
        EXPECT_EQ(positions.size(), 2u);
        Json one = full;
        one["state"]["panels"] = positions.at(at)["panels"];
        return property(one, control, "text");
    };
    Json full = fullState(session);
    EXPECT_EQ(full["state"]["positions"][0]["name"], "A");
    EXPECT_EQ(full["state"]["positions"][1]["name"], "B");
    EXPECT_EQ(positionProperty(1, "video_source"), "CAM 1");

    auto outcome = session.step("@A press Sources index=1");
    EXPECT_EQ(outcome.httpStatus, 200);
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(positionProperty(0, "video_source"), "CAM 5");
    EXPECT_EQ(positionProperty(1, "video_source"), "CAM 5");  // the route made at A reached B
    outcome = session.step("@C press Sources index=1");
    EXPECT_NE(outcome.message.find("the studio has no position @C (@A, @B)"), std::string::npos) << outcome.message;
    EXPECT_EQ(session.step("@B press WFM_Mon").message, "");
    full = fullState(session);
    EXPECT_EQ(full["state"]["positions"][1]["violations"], 0);
    EXPECT_EQ(full["state"]["positions"][1]["running"], true);

    const std::string recording = session.recording();
    EXPECT_NE(recording.find("--session recorded.vesk --script A=Rig_Vue --script B=Rig_Vue\n"), std::string::npos)
        << recording;
    // The refusal was the next line sent: its comment comes before the press's expectations.
    EXPECT_NE(recording.find("@A press Sources index=1\n"
                             "# refused: @C press Sources index=1 (the studio has no position @C (@A, @B))\n"
                             "expect @A command \"RN 12 0 1\"\n"),
              std::string::npos)
        << recording;
    EXPECT_NE(recording.find("expect @B command \"TP 'text=CAM 5' '1' 'video_source'\"\n"), std::string::npos)
        << recording;

    RunPlan plan;
    plan.library = RIG_VUE_LIBRARY;
    plan.positions = live.positions;
    plan.plant = live.plant;
    Rig rig(std::move(plan));
    ASSERT_TRUE(rig.open());
    ASSERT_TRUE(rig.startUp());
    auto steps = parseSession(recording, "recording", live.plant);
    ASSERT_TRUE(steps) << steps.error().message;
    for (const Step& step : *steps)
        EXPECT_TRUE(rig.runner().run(step)) << step.source;
    rig.finish();
    EXPECT_EQ(rig.runner().expectationsFailed(), 0) << recording;
    EXPECT_GT(rig.runner().expectationsMet(), 20);
    EXPECT_EQ(rig.tally().violations(), 0);
}

TEST(LiveSession, RefusesWhatIsNoStepAndRecordsRefusals)
{
    Broadcast broadcast;
    LiveSession session(options(RIG_VUE_LIBRARY), broadcast);
    ASSERT_FALSE(session.start());
    struct Case {
        std::string line;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"fly away", 400, "unknown step \"fly\""},
        {"", 400, "nothing to do"},
        {"# a comment", 400, "nothing to do"},
        {"quit", 400, "quit ends a session file"},
        {"press Sources\nshutdown", 400, "a step is one line"},
        {std::string(LiveSession::maxStepLine + 1, 'x'), 400, "at most 16384 bytes"},
        {"route 21 99 4", 400, "has sources 0..31"},
        {"press Nothing", 200, "panel \"1\" has no control \"Nothing\""},
    };
    for (const Case& c : cases) {
        const auto outcome = session.step(c.line);
        EXPECT_EQ(outcome.httpStatus, c.status) << c.line.substr(0, 40);
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << c.line.substr(0, 40) << ": " << outcome.message;
    }
    // Every refused line is a comment in the recording, whoever refused it; an empty one is nothing.
    const std::string recording = session.recording();
    for (const char* refused : {"# refused: press Nothing (panel \"1\" has no control \"Nothing\")\n",
                                "# refused: fly away (", "# refused: quit (", "# refused: route 21 99 4 ("})
        EXPECT_NE(recording.find(refused), std::string::npos) << refused << "\n" << recording;
    EXPECT_EQ(recording.find("# refused: # a comment"), std::string::npos);
    EXPECT_EQ(session.processState(), "running");

    // After shutdown the process lives on; presses are refused until a restart.
    EXPECT_EQ(session.step("shutdown").httpStatus, 200);
    EXPECT_FALSE(fullState(session)["status"]["script_running"].get<bool>());
    EXPECT_NE(session.step("press WFM_Mon").message.find("the script is not running"), std::string::npos);
    EXPECT_EQ(session.restart().message, "");
    EXPECT_TRUE(fullState(session)["status"]["script_running"].get<bool>());
    EXPECT_EQ(fullState(session)["status"]["generation"], 2);
}

TEST(LiveSession, SurvivesACrashAnExitAndAHangAndRestarts)
{
    const auto folder = uniqueTempFolder("vesk_live");
    std::filesystem::create_directories(folder);
    Broadcast broadcast;
    LiveOptions live = options(FAULTY_FAULTS_ON_PRESS, 1.5);
    live.recordFile = (folder / "tried.vesk").string();
    LiveSession session(live, broadcast);
    ASSERT_FALSE(session.start());
    EXPECT_EQ(session.step("advance 20").message, "");

    struct Case {
        const char* line;
        const char* processes;  // the states that may follow (a sanitizer turns a crash into an exit)
        const char* message;
    };
    const Case cases[] = {
        {"press WFM_Mon", "crashed exited", "during \"press WFM_Mon\""},
        {"press Audio_Mon", "exited", "the script's process exited with code "},
        {"press Sources index=1", "hung", "the script did not finish during \"press Sources index=1\" within 1.5 s"},
    };
    int generation = 1;
    for (const Case& c : cases) {
        const auto outcome = session.step(c.line);
        EXPECT_EQ(outcome.httpStatus, 200);
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
        const Json full = fullState(session);
        const std::string process = full["status"]["process"];
        EXPECT_NE(std::string(c.processes).find(process), std::string::npos) << c.line << ": " << process;
        EXPECT_EQ(full["status"]["step"], c.line);
        EXPECT_EQ(full["status"]["message"], outcome.message);
        ASSERT_FALSE(full["status"]["last"].empty());
        EXPECT_EQ(full["status"]["last"].back()["kind"], "call");  // the press the script never returned from
        EXPECT_EQ(full["status"]["last"].back()["control"], std::string(c.line).substr(6, std::string(c.line).find(' ', 6) - 6));
        EXPECT_EQ(session.step("press WFM_Mon").httpStatus, 409);

        const std::string recorded = session.recording();
        EXPECT_NE(recorded.find(std::string(":\n") + c.line + "\n"), std::string::npos) << recorded;
        const std::string file = generation == 1 ? "tried.vesk" : "tried-" + std::to_string(generation) + ".vesk";
        EXPECT_EQ(readWholeFile((folder / file).string()).value(), recorded);

        EXPECT_EQ(session.restart().message, "");
        ++generation;
        EXPECT_EQ(session.processState(), "running");
    }
    EXPECT_EQ(fullState(session)["recording"]["name"], "tried-4.vesk");
    std::filesystem::remove_all(folder);
}

TEST(LiveSession, ALibraryThatDoesNotLoadFailsTheStart)
{
    Broadcast broadcast;
    LiveSession session(options("/no/such/library.so"), broadcast);
    const auto failure = session.start();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->exitCode, 4);
    EXPECT_NE(failure->message.find("cannot load the script library"), std::string::npos) << failure->message;
    EXPECT_EQ(session.processState(), "failed");
    EXPECT_EQ(session.step("press WFM_Mon").httpStatus, 409);
}

TEST(LiveSession, FailedExpectationsAreCountedListedAndReplayTheSame)
{
    Broadcast broadcast;
    LiveSession session(options(RIG_VUE_LIBRARY), broadcast);
    ASSERT_FALSE(session.start());
    for (const char* line : {"press Sources index=1", "expect command \"RN 12 0 9\"",
                             "expect property video_source text \"CAM 9\"", "expect property video_source text \"CAM 5\"",
                             "press WFM_Mon", "expect no-more-commands"})
        EXPECT_EQ(session.step(line).httpStatus, 200) << line;
    // The failed no-more-commands came after a press whose command nobody checked on the page.
    EXPECT_EQ(session.failedExpectations(), 3);
    const Json status = fullState(session)["status"];
    EXPECT_EQ(status["failed_expectations"], 3);
    EXPECT_EQ(status["state"], "running");
    ASSERT_EQ(status["events"].size(), 3u);
    const Json& first = status["events"][0];
    EXPECT_EQ(first["kind"], "expectation");
    EXPECT_NE(first["text"].get<std::string>().find("expect command \"RN 12 0 9\": expected"), std::string::npos)
        << first;
    // Each event names its transcript line, and the line is the failed expectation.
    const Json full = fullState(session);
    bool found = false;
    for (const Json& line : full["entries"])
        if (line["n"] == first["line"])
            found = line["e"]["kind"] == "expect" && !line["e"]["ok"].get<bool>();
    EXPECT_TRUE(found);

    const std::string recording = session.recording();
    EXPECT_NE(recording.find("# failed on the page: expect command \"RN 12 0 9\""), std::string::npos) << recording;
    const Replay replayed = replay(recording, RIG_VUE_LIBRARY);
    EXPECT_EQ(replayed.failed, 3) << recording;
    EXPECT_EQ(replayed.violations, 0);
}

TEST(LiveSession, TheTranscriptKeptForLaterPagesIsBoundedInBytes)
{
    Broadcast broadcast;
    // Sixty steps of long replies: a minute each, for a loaded machine under the sanitizers.
    LiveSession session(options(RIG_VUE_LIBRARY, 60), broadcast);
    ASSERT_FALSE(session.start());
    ASSERT_EQ(session.step("replies long").httpStatus, 200);
    for (int i = 0; i < 60; ++i) {
        // Carried out with nothing to say: a hang, crash or refusal names itself.
        const auto outcome = session.step(i % 2 ? "press Sources index=1" : "press Sources index=2");
        ASSERT_EQ(outcome.httpStatus, 200) << "step " << i << ": " << outcome.message;
        ASSERT_EQ(outcome.message, "") << "step " << i;
    }
    const auto [full, after] = session.fullState();
    (void)after;
    EXPECT_LT(full.size(), LiveHistory::maxBytes + (1u << 20));
    const Json entries = Json::parse(full)["entries"];
    ASSERT_FALSE(entries.empty());
    // Numbered in order, the newest kept.
    EXPECT_LT(entries.front()["n"].get<std::uint64_t>(), entries.back()["n"].get<std::uint64_t>());
}

TEST(LiveSession, RealTimeModeAdvancesTheClockUntilTurnedOff)
{
    Broadcast broadcast;
    LiveSession session(options(RIG_VUE_LIBRARY), broadcast);
    ASSERT_FALSE(session.start());
    const auto actions = [&session] { return fullState(session)["action"].get<std::uint64_t>(); };
    const std::uint64_t before = actions();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(actions(), before) << "the clock ran before real time was turned on";
    session.setRealTime(true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (actions() < before + 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    session.setRealTime(false);
    ASSERT_GE(actions(), before + 2);
    // Off means off: at most the advance the clock had begun comes after it.
    const std::uint64_t settled = actions();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(actions(), settled + 1);
    // The quiet time the clock ran is recorded as one advance before the next press.
    ASSERT_EQ(session.step("press WFM_Mon").httpStatus, 200);
    const std::string recording = session.recording();
    const std::size_t advance = recording.find("\nadvance ");
    ASSERT_NE(advance, std::string::npos) << recording;
    EXPECT_LT(advance, recording.find("\npress WFM_Mon")) << recording;
}
