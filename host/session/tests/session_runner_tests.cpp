// Expectations read the last action only: the commands and hand-backs of
// an earlier, longer action never show through a later, shorter one, and
// a failed expectation says what there was instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/memory_budget.h"
#include "plant/plant_file.h"
#include "session/session_runner.h"
#include "testing/fake_script.h"
#include "vesk_records.h"

using namespace vesk_host;

namespace {

// What each expectation said: "ok" or "FAILED expected | actual".
class Verdicts final : public EventObserver {
public:
    void observe(const HostEvent& event) override
    {
        if (const auto* checked = std::get_if<ExpectationChecked>(&event))
            said.push_back(checked->ok ? std::string("ok") : "FAILED " + checked->expected + " | " + checked->actual);
    }
    std::vector<std::string> said;
};

// The fake script answers a control event by its control id: "three" and
// "one" set that many timers, "lookups" asks for a device (a reply it hands
// back) and a database entry the plant lacks (a null reply it hands back).
void* onControl(vesk_client_callback& host, void* data, int code)
{
    if (code != VESK_CODE_CONTROL)
        return nullptr;
    const char* control = static_cast<const ControlEventRecord*>(data)->controlId;
    if (std::strcmp(control, "three") == 0) {
        sendCommand(host, "ET 1 10");
        sendCommand(host, "ET 2 20");
        sendCommand(host, "ET 3 30");
    } else if (std::strcmp(control, "one") == 0) {
        sendCommand(host, "ET 4 40");
    } else if (std::strcmp(control, "lookups") == 0) {
        sendAndRelease(host, "SD 'ZEP SDI Router'");
        host.callback(sendCommand(host, "RN 12 0 99"), VESK_CODE_RELEASE);
    }
    return nullptr;
}

TEST(SessionRunnerTest, ExpectationsReadTheLastActionOnly)
{
    struct Case {
        const char* step;
        const char* said;  // for an expectation; null for an action
    };
    const std::vector<Case> cases = {
        {"event 9 three", nullptr},
        {"expect command \"ET 1 10\"", "ok"},
        {"expect command \"ET 2 20\"", "ok"},
        {"event 9 one", nullptr},
        {"expect command \"ET 4 40\"", "ok"},
        {"expect command \"ET 3 30\"", "FAILED \"ET 3 30\" | no further command from the last action"},
        {"event 9 three", nullptr},
        {"expect no-more-commands", "FAILED nothing more | \"ET 1 10\" and 2 more"},
        {"event 9 none", nullptr},
        {"expect no-more-commands", "ok"},
        {"expect handed-back null", "FAILED null | no further hand-back in the last action"},
        {"event 9 lookups", nullptr},
        {"expect command \"SD 'ZEP SDI Router'\"", "ok"},
        {"expect command \"RN 12 0 99\"", "ok"},
        {"expect handed-back \"21\"", "ok"},
        {"expect handed-back null", "ok"},
        {"event 9 one", nullptr},
        {"expect handed-back \"21\"", "FAILED \"21\" | no further hand-back in the last action"},
        {"expect command \"SD 'ZEP SDI Router'\"", "FAILED \"SD 'ZEP SDI Router'\" | \"ET 4 40\""},
        // A command matches whole: neither a part of it nor more than it will do.
        {"event 9 three", nullptr},
        {"expect command \"ET 1\"", "FAILED \"ET 1\" | \"ET 1 10\""},
        {"expect command \"ET 2 200\"", "FAILED \"ET 2 200\" | \"ET 2 20\""},
        {"expect command \"ET 3 30 \"", "FAILED \"ET 3 30 \" | \"ET 3 30\""},
        {"event 9 three", nullptr},
        {"expect command \"\"", "FAILED \"\" | \"ET 1 10\""},
        {"expect command \"ET 2 20\"", "ok"},
        // A property of a panel the script never loaded says so instead of a value.
        {"expect property Sources select 1", "FAILED \"1\" | (panel \"1\" is not loaded)"},
    };
    FakeScript::hooks.event = onControl;
    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    EventBus events;
    Verdicts verdicts;
    events.subscribe(verdicts);
    Emulator emulator(plant, events);
    SessionRunner runner(emulator, events);
    ASSERT_TRUE(runner.startUp(FakeScript::load));
    std::vector<std::string> expected;
    int line = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const auto parsed = parseStep(c.step, ++line, plant);
        ASSERT_TRUE(parsed && *parsed) << (parsed ? "" : parsed.error().message);
        const Result<StepResult> result = runner.run(**parsed);
        ASSERT_TRUE(result) << result.error().message;
        EXPECT_EQ(*result, StepResult::carryOn);
        if (c.said)
            expected.push_back(c.said);
    }
    runner.finish();
    FakeScript::reset();
    EXPECT_EQ(verdicts.said, expected);
    const auto failed = std::count_if(expected.begin(), expected.end(), [](const std::string& s) { return s != "ok"; });
    EXPECT_EQ(runner.expectationsFailed(), failed);
    EXPECT_EQ(runner.expectationsMet(), static_cast<int>(expected.size() - failed));
}

// A strict run: what an action sent and no expectation read fails once, on
// the action's line, when the next action starts or the session ends; a
// failed "expect no-more-commands" is not reported again, a soak's own
// actions and the shutdown at the end of the session are not checked, and
// nothing more is said after a refused step.
TEST(SessionRunnerTest, StrictRunsFailOnCommandsNoExpectationRead)
{
    const char* const unread = "every command expected (a strict session)";
    struct Case {
        const char* name;
        std::vector<const char*> steps;
        std::vector<std::string> said;  // "ok", or "FAILED line: expected | actual"
    };
    const std::vector<Case> cases = {
        {"all read", {"event 9 three", "expect command \"ET 1 10\"", "expect command \"ET 2 20\"",
                      "expect command \"ET 3 30\"", "event 9 none", "expect no-more-commands"},
         {"ok", "ok", "ok", "ok"}},
        {"left at the next action",
         {"event 9 three", "expect command \"ET 1 10\"", "event 9 none"},
         {"ok", std::string("FAILED 1: ") + unread + " | \"ET 2 20\" and 1 more not expected"}},
        {"left at the end", {"event 9 none", "event 9 one"},
         {std::string("FAILED 2: ") + unread + " | \"ET 4 40\" not expected"}},
        {"no-more-commands reads the rest", {"event 9 three", "expect no-more-commands", "event 9 none"},
         {"FAILED 2: nothing more | \"ET 1 10\" and 2 more"}},
        {"checks between actions do not end one", {"event 9 one", "show timers", "expect property x y z", "advance 5"},
         {"FAILED 3: \"z\" | (panel \"1\" is not loaded)",
          std::string("FAILED 1: ") + unread + " | \"ET 4 40\" not expected"}},
        {"a soak is not checked", {"event 9 one", "expect command \"ET 4 40\"", "soak 20 1"}, {"ok"}},
        {"nothing after a refused step", {"event 9 one", "shutdown", "event 9 one"},
         {std::string("FAILED 1: ") + unread + " | \"ET 4 40\" not expected"}},
    };
    FakeScript::hooks.event = onControl;
    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventBus events;
        std::vector<std::string> said;
        struct Collect final : EventObserver {
            std::vector<std::string>& said;
            explicit Collect(std::vector<std::string>& s) : said(s) {}
            void observe(const HostEvent& event) override
            {
                if (const auto* checked = std::get_if<ExpectationChecked>(&event))
                    said.push_back(checked->ok ? std::string("ok")
                                               : "FAILED " + std::to_string(checked->line) + ": " + checked->expected +
                                                     " | " + checked->actual);
            }
        } collect(said);
        events.subscribe(collect);
        Emulator emulator(plant, events);
        SessionRunner runner(emulator, events);
        runner.setStrict(true);
        ASSERT_TRUE(runner.startUp(FakeScript::load));
        int line = 0;
        for (const char* text : c.steps) {
            const auto parsed = parseStep(text, ++line, plant);
            ASSERT_TRUE(parsed && *parsed) << text;
            const Result<StepResult> result = runner.run(**parsed);
            if (!result || *result != StepResult::carryOn)
                break;
        }
        runner.finish();
        EXPECT_EQ(said, c.said);
    }
    FakeScript::reset();
}

// A step after which the memory budget has refused a reply fails with the
// kind overBudget, whatever the step was, and the run stops there.
TEST(SessionRunnerTest, AStepPastTheMemoryBudgetFailsWithItsKind)
{
    FakeScript::hooks.start = [](vesk_client_callback& host) { sendAndRelease(host, "SD 'ZEP SDI Router'"); };
    const Plant plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    MemoryBudget budget(16);
    EmulatorOptions options;
    options.budget = &budget;
    EventBus events;
    Emulator emulator(plant, events, options);
    SessionRunner runner(emulator, events);
    ASSERT_TRUE(runner.startUp(FakeScript::load));
    const auto step = parseStep("advance 1", 1, plant);
    ASSERT_TRUE(step && *step);
    const Result<StepResult> result = runner.run(**step);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::overBudget);
    EXPECT_NE(result.error().message.find("over the memory budget of 16 B"), std::string::npos)
        << result.error().message;
    runner.finish();
    FakeScript::reset();
}

} // namespace
