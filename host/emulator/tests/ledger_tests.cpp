// The release-rule ledger, with deliberately faulty script libraries built
// in this test tree, loaded the way vesk_host loads any script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "abi/loader.h"
#include "emulator/emulator.h"
#include "plant/plant_file.h"
#include "testing/event_recorder.h"
#include "transcript/finding_tally.h"
#include "traps/ledger.h"

using namespace vesk_host;

namespace {

struct LibraryRun {
    explicit LibraryRun(const char* path)
    {
        const Status status = library.open(path);
        opened = status.ok();
        error = opened ? std::string() : status.error().message;
        events.subscribe(recorder);
        events.subscribe(tally);
        emulator = std::make_unique<Emulator>(*loadPlantFile(EXAMPLES_DIR "/plant.toml"), events);
    }

    // Rule name and message of each finding.
    std::vector<std::pair<std::string, std::string>> findings() const
    {
        std::vector<std::pair<std::string, std::string>> result;
        for (const auto& finding : recorder.findings)
            result.emplace_back(finding.rule->name, finding.message);
        return result;
    }
    const std::string& text() const { return recorder.text; }

    // The library outlives the emulator, which ends the script.
    ScriptLibrary library;
    std::string error;
    bool opened = false;
    EventBus events;
    EventRecorder recorder;
    FindingTally tally;
    std::unique_ptr<Emulator> emulator;
};

using Findings = std::vector<std::pair<std::string, std::string>>;

TEST(LedgerTest, AReplyNeverHandedBackIsCaughtAtTheEndOfItsHandler)
{
    LibraryRun run(FAULTY_KEEPS_REPLY);
    ASSERT_TRUE(run.opened) << run.error;
    ASSERT_TRUE(run.emulator->start(run.library.entry()));
    run.emulator->press("1", "Sources", "index=1");
    run.emulator->shutdown();
    EXPECT_EQ(run.findings(),
              (Findings{{"release-missing",
                         "the reply \"21\" to \"SD 'ZEP SDI Router'\" was not handed back by the end of start-up"},
                        {"release-missing", "the reply \"5,2\" to \"RN 12 0 1\" was not handed back by the end of "
                                            "control event \"Sources\" \"index=1\""}}))
        << run.text();
    EXPECT_EQ(run.tally.violations(), 2);
}

TEST(LedgerTest, AReplyHandedBackTwiceIsCaught)
{
    LibraryRun run(FAULTY_HANDS_BACK_TWICE);
    ASSERT_TRUE(run.opened) << run.error;
    ASSERT_TRUE(run.emulator->start(run.library.entry()));
    EXPECT_EQ(run.findings(), (Findings{{"release-twice", "the reply \"21\" to \"SD 'ZEP SDI Router'\" was handed "
                                                          "back a second time, during start-up"}}))
        << run.text();
    EXPECT_NE(run.text().find("script > host  5  \"21\" (reply to \"SD 'ZEP SDI Router'\", already handed back)"),
              std::string::npos);
}

TEST(LedgerTest, AForeignPointerIsCaught)
{
    LibraryRun run(FAULTY_FOREIGN_POINTER);
    ASSERT_TRUE(run.opened) << run.error;
    ASSERT_TRUE(run.emulator->start(run.library.entry()));
    run.emulator->press("1", "Sources", "index=1");
    EXPECT_EQ(run.findings(),
              (Findings{{"release-unknown", "code 5 with a pointer this host never handed out, during start-up"},
                        {"release-unknown", "code 5 with the status word of \"PS\" during control event "
                                            "\"Sources\" \"index=1\": a status is not a text and is never handed "
                                            "back"}}))
        << run.text();
}

TEST(LedgerTest, LoadingFailuresSayWhy)
{
    LibraryRun nothing(FAULTY_RETURNS_NULL);
    ASSERT_TRUE(nothing.opened) << nothing.error;
    EXPECT_FALSE(nothing.emulator->start(nothing.library.entry()));
    EXPECT_NE(nothing.text().find("load_vesk_client_script returned null"), std::string::npos);

    LibraryRun noExport(FAULTY_NO_EXPORT);
    EXPECT_FALSE(noExport.opened);
    EXPECT_NE(noExport.error.find("does not export load_vesk_client_script"), std::string::npos) << noExport.error;

    LibraryRun missing("/no/such/library.so");
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.error.rfind("cannot load the script library /no/such/library.so: ", 0), 0u) << missing.error;
}

TEST(LedgerTest, KeepsTrackPerCallAndReportsOnce)
{
    Ledger ledger(MemoryKind::plain);
    char* first = ledger.handOut("11", "SD 'a'", 1);
    char* second = ledger.handOut("12", "SD 'b'", 1);
    char* third = ledger.handOut("13", "SD 'c'", 2);
    EXPECT_STREQ(first, "11");
    EXPECT_EQ(ledger.release(first).kind, ReleaseCheck::Kind::returned);
    EXPECT_EQ(ledger.release(first).kind, ReleaseCheck::Kind::twice);
    static const char elsewhere[] = "11";
    EXPECT_EQ(ledger.release(elsewhere).kind, ReleaseCheck::Kind::unknown);
    const auto missing = ledger.takeMissing(1);
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].command, "SD 'b'");
    EXPECT_TRUE(ledger.takeMissing(1).empty());
    // Reported once: coming back late is named as such, and a second time as twice.
    EXPECT_EQ(ledger.release(second).kind, ReleaseCheck::Kind::late);
    EXPECT_EQ(ledger.release(second).kind, ReleaseCheck::Kind::twice);
    third[1] = '9';
    const ReleaseCheck changed = ledger.release(third);
    EXPECT_TRUE(changed.modified);
    EXPECT_EQ(changed.cameBack, "19");
    EXPECT_TRUE(ledger.takeAllMissing().empty());
    EXPECT_EQ(ledger.outstanding(), 1u);  // the one reported missing
}

TEST(LedgerTest, NullRepliesAndWordsHaveTheirOwnRules)
{
    Ledger ledger(MemoryKind::plain);
    ledger.nullOut("RN 12 0 4", 3);
    ledger.nullOut("RN 12 0 5", 3);
    EXPECT_TRUE(ledger.releaseNull());
    const auto missing = ledger.takeMissing(3);
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_TRUE(missing[0].null);
    EXPECT_EQ(missing[0].command, "RN 12 0 4");
    EXPECT_FALSE(ledger.releaseNull());  // a null hand-back with none out is legal, and settles nothing

    char* word = ledger.handOutKept("", "ET 1 250", 5);
    EXPECT_EQ(ledger.release(word).kind, ReleaseCheck::Kind::kept);
    EXPECT_TRUE(ledger.takeMissing(5).empty());  // a word is never missing
    EXPECT_EQ(ledger.release(word).kind, ReleaseCheck::Kind::kept);
}

// However long a script runs, a ledger of a script that keeps the rule
// holds no more than its quarantine.
TEST(LedgerTest, SettledRepliesLeaveTheLedger)
{
    for (const MemoryKind kind : {MemoryKind::plain, MemoryKind::guarded}) {
        Ledger ledger(kind);
        for (std::uint64_t call = 1; call <= 5000; ++call) {
            ledger.release(ledger.handOut("5,2", "RN 12 0 1", call));
            ledger.nullOut("RN 12 0 4", call);
            ledger.releaseNull();
            ledger.handOutKept("", "ET 1 250", call);
            EXPECT_TRUE(ledger.takeMissing(call).empty());
        }
        EXPECT_LE(ledger.entries(), ledger.quarantineLength());
        EXPECT_EQ(ledger.outstanding(), 0u);
    }
}

TEST(LedgerTest, GuardedTextsEndAtTheirGuardAndCloseWhenHandedBack)
{
    if (!guardedMemoryAvailable())
        GTEST_SKIP() << "no guarded memory on this platform";
    Ledger ledger(MemoryKind::guarded);
    char* reply = ledger.handOut("21", "SD 'ZEP SDI Router'", 1);
    char label[64];
    EXPECT_EQ(describeFault(reply, label, sizeof label), FaultKind::none);
    EXPECT_EQ(describeFault(reply + 3, label, sizeof label), FaultKind::pastEnd);
    EXPECT_STREQ(label, "\"SD 'ZEP SDI Router'\"");
    ledger.release(reply);
    EXPECT_EQ(describeFault(reply, label, sizeof label), FaultKind::afterRelease);
    static const char stack[] = "x";
    EXPECT_EQ(describeFault(stack, label, sizeof label), FaultKind::none);
}

// A handed-back block stays out of reuse while it is in the quarantine,
// which lets the oldest go first: after its length of hand-backs, or when
// its texts pass 16 MiB (one text always stays, however long).
TEST(ReplyMemoryTest, TheQuarantineKeepsBlocksOutOfReuseAndLetsTheOldestGoFirst)
{
    struct Case {
        std::size_t size;     // bytes of each text
        std::size_t retires;  // hand-backs in a row
    };
    for (const MemoryKind kind : {MemoryKind::plain, MemoryKind::guarded}) {
        if (kind == MemoryKind::guarded && !guardedMemoryAvailable())
            continue;
        const std::size_t length = makeReplyMemory(kind)->quarantineLength();
        for (const Case c : {Case{8, length + 20}, Case{3 * 1024 * 1024, 12}}) {
            const auto memory = makeReplyMemory(kind);
            ASSERT_EQ(memory->kind(), kind);
            SCOPED_TRACE(std::string(memoryKindName(kind)) + ", texts of " + std::to_string(c.size) + " bytes");
            std::deque<const char*> held;  // in quarantine, oldest first
            std::vector<const char*> gone;
            for (std::size_t i = 0; i < c.retires; ++i) {
                char* block = memory->allocate(c.size, "RN 12 0 1");
                ASSERT_EQ(std::find(held.begin(), held.end(), block), held.end())
                    << "a block still in quarantine was handed out again";
                std::memset(block, 'x', c.size);
                gone.clear();
                memory->retire(block, c.size, gone);
                held.push_back(block);
                for (const char* left : gone) {
                    ASSERT_FALSE(held.empty());
                    EXPECT_EQ(left, held.front()) << "not the oldest";
                    held.pop_front();
                }
                EXPECT_GE(held.size(), 1u);
                EXPECT_LE(held.size(), memory->quarantineLength());
                EXPECT_LE((held.size() - 1) * c.size, quarantineBytes);
            }
            // Full by count, or by bytes: either way some left.
            EXPECT_LT(held.size(), c.retires);
        }
    }
}

TEST(LedgerTest, AnswersTheHostKeepsAreNamed)
{
    Ledger ledger;
    int answer = 0;
    ledger.answerReceived(&answer, "\"_events\"", "notify=*");
    EXPECT_EQ(ledger.takeAnswersKept(), (std::vector<std::string>{"\"_events\""}));
    ledger.answerReceived(&answer, "\"_events\"", "notify=*");
    ledger.answerHandedBack(&answer);
    EXPECT_TRUE(ledger.takeAnswersKept().empty());
}

} // namespace
