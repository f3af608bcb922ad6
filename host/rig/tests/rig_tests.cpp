// The Rig assembles a run the same way for every mode: it loads the
// library, starts the script, carries out steps and ends it, and says why
// a start failed in the host's words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plant/plant_file.h"
#include "session/session_steps.h"
#include "rig/rig.h"
#include "testing/event_recorder.h"

using namespace vesk_host;

namespace {

RunPlan planFor(const std::string& library)
{
    RunPlan plan;
    plan.library = library;
    plan.plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    return plan;
}

TEST(RigTest, ARunOfTheBundledScriptStartsStepsAndEndsInOrder)
{
    EventRecorder recorder;
    Rig rig(planFor(RIG_VUE_LIBRARY));
    rig.events().subscribe(recorder);
    ASSERT_TRUE(rig.open());
    ASSERT_TRUE(rig.startUp());
    const auto step = parseStep("press Sources index=2", 1, rig.emulator().plant());
    ASSERT_TRUE(step && *step);
    const Result<StepResult> result = rig.runner().run(**step);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, StepResult::carryOn);
    rig.finish();
    EXPECT_FALSE(rig.emulator().running());
    rig.unload();
    const std::string text = recorder.text;
    const auto loading = text.find("load_vesk_client_script");
    const auto press = text.find("\"Sources\"");
    const auto deleting = text.find("delete");
    EXPECT_NE(loading, std::string::npos) << text;
    EXPECT_LT(loading, press) << text;
    EXPECT_LT(press, deleting) << text;
    EXPECT_EQ(rig.tally().violations(), 0) << text;
    rig.events().unsubscribe(recorder);
}

TEST(RigTest, AStartThatCannotGoOnSaysWhyInTheHostsWords)
{
    struct Row {
        const char* library;
        bool opens;
        const char* said;
    };
    const Row rows[] = {
        {FAULTY_RETURNS_NULL, true, "load_vesk_client_script of " FAULTY_RETURNS_NULL " returned null"},
        {FAULTY_NO_EXPORT, false, "does not export load_vesk_client_script"},
        {EXAMPLES_DIR "/no_such_library.so", false, "cannot load the script library"},
    };
    for (const Row& row : rows) {
        Rig rig(planFor(row.library));
        const Status opened = rig.open();
        ASSERT_EQ(opened.ok(), row.opens) << row.library;
        if (!opened) {
            EXPECT_NE(opened.error().message.find(row.said), std::string::npos) << opened.error().message;
            continue;
        }
        const Status started = rig.startUp();
        ASSERT_FALSE(started);
        EXPECT_EQ(started.error().message, row.said);
    }
}

TEST(RigTest, AScriptStillRunningIsEndedWhenTheRigGoes)
{
    EventRecorder recorder;
    {
        Rig rig(planFor(RIG_VUE_LIBRARY));
        rig.events().subscribe(recorder);
        ASSERT_TRUE(rig.open());
        ASSERT_TRUE(rig.startUp());
    }
    EXPECT_NE(recorder.text.find("delete"), std::string::npos) << recorder.text;
}

} // namespace
