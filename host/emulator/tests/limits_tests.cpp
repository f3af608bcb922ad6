// Each limit the script host keeps, at its boundary: one below it, at it and
// one above, so that a limit moved by one is caught.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "emulator/emulator.h"
#include "events/host_limits.h"
#include "plant/plant_file.h"
#include "testing/event_recorder.h"
#include "testing/fake_script.h"
#include "traps/heap_watch.h"
#include "vesk_records.h"

using namespace vesk_host;

namespace {

struct ScriptRun {
    ScriptRun() : emulator(*loadPlantFile(EXAMPLES_DIR "/plant.toml"), events) { events.subscribe(recorder); }
    ~ScriptRun() { FakeScript::reset(); }

    bool broke(const char* name) const
    {
        const auto rules = recorder.rules();
        return std::find(rules.begin(), rules.end(), name) != rules.end();
    }

    EventBus events;
    EventRecorder recorder;
    Emulator emulator;
};

// Blocks the script keeps, in room taken before the script runs, so that
// keeping them allocates nothing inside its calls.
std::vector<void*> kept;

void* keepBlock()
{
    void* block = std::malloc(64);
    kept.push_back(block);
    return block;
}

void freeKept()
{
    for (void* block : kept)
        std::free(block);
    kept.clear();
}

// A script that keeps a block of each call of one kind: control events, or
// parent queries with the hand-back of their answers.
struct LeakingKind {
    const char* rule;
    void* (*event)(vesk_client_callback& host, void* data, int code);
    void (*act)(Emulator& emulator);
};

const LeakingKind leakingKinds[] = {
    {"leak-per-event",
     [](vesk_client_callback&, void*, int code) -> void* {
         if (code == VESK_CODE_CONTROL)
             keepBlock();
         return nullptr;
     },
     [](Emulator& emulator) { emulator.press("1", "Sources", "index=1"); }},
    {"leak-per-query",
     [](vesk_client_callback&, void*, int code) -> void* {
         if (code != VESK_CODE_PARENT_QUERY)
             return nullptr;
         keepBlock();
         char* answer = static_cast<char*>(std::malloc(3));
         std::memcpy(answer, "ok", 3);
         return answer;
     },
     [](Emulator& emulator) { emulator.query(std::string("_events")); }},
};

TEST(LeakStreakTest, CallsThatKeepGrowingTheHeapAreALeakAtExactlyTheStreak)
{
    if (!heap::watching())
        GTEST_SKIP() << "the script's heap is not watched in this build";
    struct Case {
        const char* what;
        int calls;
        bool reported;
    };
    const std::vector<Case> cases = {
        {"one call fewer than the streak", leakStreak - 1, false},
        {"exactly the streak", leakStreak, true},
        {"one call more", leakStreak + 1, true},
    };
    for (const LeakingKind& kind : leakingKinds)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(kind.rule) + ", " + c.what);
            kept.reserve(static_cast<std::size_t>(c.calls) + 1);
            FakeScript::hooks.event = kind.event;
            {
                ScriptRun run;
                ASSERT_TRUE(run.emulator.start(&FakeScript::load));
                for (int i = 0; i < c.calls; ++i)
                    kind.act(run.emulator);
                EXPECT_EQ(run.broke(kind.rule), c.reported) << run.recorder.text;
            }
            freeKept();
        }
}

TEST(CommandLengthTest, ACommandEndsWithinTheBoundOrIsTooLong)
{
    struct Case {
        const char* what;
        std::size_t length;  // bytes before the NUL
        bool tooLong;
    };
    const std::vector<Case> cases = {
        {"one byte within", maxScriptText - 2, false},
        {"the NUL is the last byte within", maxScriptText - 1, false},
        {"the NUL is the first byte past", maxScriptText, true},
        {"one byte further", maxScriptText + 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // "SD 'aaa...a'" of the length given, then its NUL.
        static std::vector<char> text;
        text.assign(c.length + 1, 'a');
        std::memcpy(text.data(), "SD '", 4);
        text[c.length - 1] = '\'';
        text[c.length] = '\0';
        FakeScript::hooks.start = [](vesk_client_callback& host) {
            host.callback(text.data(), VESK_CODE_COMMAND);
        };
        ScriptRun run;
        ASSERT_TRUE(run.emulator.start(&FakeScript::load));
        EXPECT_EQ(run.broke("command-too-long"), c.tooLong) << run.recorder.text.substr(0, 2000);
    }
}

} // namespace
