// The soak's steps: the same seed gives the same steps on every machine,
// another seed others; each step is a session line that reads back; and
// the session's "soak N S" takes exactly the steps "validate --seed S" does.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "plant/plant_file.h"
#include "session/session_lines.h"
#include "session/session_runner.h"
#include "session/session_steps.h"
#include "session/soak_steps.h"
#include "testing/fake_script.h"

using namespace vesk_host;

namespace {

TEST(SoakTest, TheSeededSequenceIsSplitmix64)
{
    // The published first outputs of splitmix64 from seed 0: the soak repeats on every machine.
    SeededRandom random(0);
    EXPECT_EQ(random.next(), 0xe220a8397b1dcdafULL);
    EXPECT_EQ(random.next(), 0x6e789e6aa1b965f4ULL);
    EXPECT_EQ(random.next(), 0x06c45d188009454fULL);
    for (int i = 0; i < 1000; ++i) {
        const auto value = random.between(-3, 4);
        EXPECT_GE(value, -3);
        EXPECT_LE(value, 4);
    }
}

TEST(SoakTest, SessionWordsReadBackAsTheirText)
{
    const std::vector<std::string> texts = {"plain", "", "two words", "#hash", "a#b", "quote\"d", "back\\slash",
                                            "' '", "%1", "=", "-1"};
    for (const auto& text : texts) {
        SCOPED_TRACE(text);
        const auto parsed = parseStep("query " + sessionWord(text), 1, Plant());
        ASSERT_TRUE(parsed && *parsed) << (parsed ? std::string() : parsed.error().message);
        EXPECT_EQ(std::get<step::Query>((*parsed)->action).text, std::optional<std::string>(text));
    }
}

TEST(SoakTest, EveryStepReadsBackAndTheSameSeedGivesTheSameSteps)
{
    EventBus events;
    Emulator emulator(*loadPlantFile(EXAMPLES_DIR "/plant.toml"), events);
    // With no script running nothing changes, so the steps depend on the seed alone.
    const auto steps = [&](std::uint64_t seed) {
        SoakSteps soak(seed);
        std::string panel = "1";
        std::vector<std::string> lines;
        for (int i = 0; i < 3000; ++i)
            lines.push_back(soak.next(emulator, panel));
        return lines;
    };
    const auto first = steps(11);
    EXPECT_EQ(first, steps(11));
    EXPECT_NE(first, steps(12));
    std::set<std::size_t> kinds;
    for (const auto& line : first) {
        const auto parsed = parseStep(line, 1, emulator.plant());
        ASSERT_TRUE(parsed && *parsed) << line << ": " << (parsed ? std::string() : parsed.error().message);
        EXPECT_EQ((*parsed)->source.empty(), false);
        kinds.insert((*parsed)->action.index());
    }
    const auto kind = [](StepAction action) { return action.index(); };
    EXPECT_EQ(kinds, (std::set<std::size_t>{kind(step::Advance{}), kind(step::Query{}), kind(step::Revertive{}),
                                            kind(step::Route{}), kind(step::Poll{}), kind(step::Tick{}),
                                            kind(step::Replies{})}));
}

// The lines the soak's steps are written as, from `seed`, on an emulator
// whose script loads no panel (so the steps depend on the seed and the plant).
std::vector<std::string> soakLines(std::uint64_t seed, int count)
{
    EventBus events;
    Emulator emulator(*loadPlantFile(EXAMPLES_DIR "/plant.toml"), events);
    SoakSteps soak(seed);
    std::string panel = "1";
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const auto parsed = parseStep(soak.next(emulator, panel), 1, emulator.plant());
        lines.push_back(parsed && *parsed ? (*parsed)->source : std::string("unreadable"));
    }
    return lines;
}

// The steps a session's soak step took, as the transcript heads them.
std::vector<std::string> stepsOfSoak(const std::string& soakStep)
{
    FakeScript::reset();
    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    EventBus events;
    std::vector<std::string> heads;
    ObserverFunction watch([&](const HostEvent& event) {
        if (const auto* started = std::get_if<StepStarted>(&event))
            heads.push_back(started->step);
    });
    events.subscribe(watch);
    Emulator emulator(plant, events);
    SessionRunner runner(emulator, events);
    EXPECT_TRUE(runner.startUp(FakeScript::load));
    heads.clear();
    const auto parsed = parseStep(soakStep, 1, plant);
    EXPECT_TRUE(parsed && *parsed);
    const Result<StepResult> result = runner.run(**parsed);
    EXPECT_TRUE(result) << result.error().message;
    runner.finish();
    FakeScript::reset();
    // The soak's own heading, then its steps, then the shutdown.
    return std::vector<std::string>(heads.begin() + 1, heads.end() - 1);
}

TEST(SoakTest, ASessionsSoakTakesTheStepsOfItsSeed)
{
    struct Case {
        const char* step;
        std::uint64_t seed;
    };
    const std::vector<Case> cases = {
        {"soak 40", 1},
        {"soak 40 1", 1},
        {"soak 40 2", 2},
        {"soak 40 0", 0},
        {"soak 40 18", 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        EXPECT_EQ(stepsOfSoak(c.step), soakLines(c.seed, 40));
    }
    EXPECT_NE(soakLines(1, 40), soakLines(2, 40));
    EXPECT_NE(stepsOfSoak("soak 40 1"), stepsOfSoak("soak 40 2"));
}

} // namespace
