// A long run holds no more than a short one: the ledger, the revertive
// queue and the timers stay bounded over 200,000 steps of Rig_Vue.
#include <gtest/gtest.h>

#include <string>

#include "abi/loader.h"
#include "emulator/emulator.h"
#include "plant/plant_file.h"
#include "session/session_runner.h"

using namespace vesk_host;

namespace {

// What grows with a run if anything does: the quarantine is left out, as it
// fills up to its fixed length (sooner or later, with the kind of memory).
std::size_t held(const Emulator& emulator)
{
    const Ledger& ledger = emulator.host().ledger();
    return ledger.entries() - ledger.quarantined() + emulator.queued() + emulator.timers().list().size();
}

TEST(AtScaleTest, TwoHundredThousandStepsHoldNoMoreThanAThousand)
{
    ScriptLibrary library;
    ASSERT_TRUE(library.open(RIG_VUE_LIBRARY));
    EventBus events;
    Emulator emulator(*loadPlantFile(EXAMPLES_DIR "/plant.toml"), events);
    ASSERT_TRUE(emulator.start(library.entry()));
    std::size_t afterThousand = 0;
    for (int step = 1; step <= 200000; ++step) {
        if (step % 10 == 0)
            emulator.advance(250);
        else
            emulator.press("1", "Sources", "index=" + std::to_string(step % 5 + 1));
        if (step == 1000)
            afterThousand = held(emulator);
    }
    EXPECT_LE(held(emulator), afterThousand);
    EXPECT_LE(emulator.host().ledger().quarantined(), emulator.host().ledger().quarantineLength());
    EXPECT_LE(emulator.host().ledger().entries(), emulator.host().ledger().quarantineLength() + afterThousand);
    emulator.shutdown();
}

} // namespace
