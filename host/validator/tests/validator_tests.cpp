// The validator's parts: the child's record channel, crash and hang
// isolation, the reports and exit codes, check selection, and the soak check.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "plant/plant_file.h"
#include "testing/temp_folder.h"
#include "traps/heap_watch.h"
#include "validator/channel.h"
#include "validator/check_selection.h"
#include "validator/checks.h"
#include "validator/isolation.h"
#include "validator/report.h"
#include "validator/runner.h"

using namespace vesk_host;
using namespace vesk_host::validator;

namespace {

// A pattern the test knows to be a sound regular expression.
IdPattern idPattern(const std::string& text) { return *IdPattern::compile(text); }

TEST(ChannelTest, RecordsReadTheSameWhateverPiecesTheyComeIn)
{
    const std::string stream = encodeRecord(tag::line, "first") + encodeRecord(tag::line, std::string("a\0b\nc", 5)) +
                               encodeRecord(tag::line, "") + encodeRecord(tag::status, "WARN") +
                               encodeRecord(tag::detail, "12:34 with a colon") + encodeRecord(tag::end, "");
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        SCOPED_TRACE(piece);
        RecordReader reader(2);
        for (std::size_t at = 0; at < stream.size(); at += piece)
            reader.feed(stream.data() + at, std::min(piece, stream.size() - at));
        EXPECT_TRUE(reader.finished());
        EXPECT_FALSE(reader.garbled());
        EXPECT_EQ(reader.result().status, CheckStatus::warn);
        EXPECT_EQ(reader.result().details, (std::vector<std::string>{"12:34 with a colon"}));
        EXPECT_EQ(reader.lastLines(), (std::deque<std::string>{std::string("a\0b\nc", 5), ""}));
    }
}

TEST(ChannelTest, AnythingElseIsGarbledAndNeverFinishes)
{
    const std::vector<std::string> streams = {"hello world", "L-1:x", "Lx:", "Q1:x", "S4:GOOD",
                                              "L12345678901234567890123", encodeRecord(tag::line, "cut").substr(0, 4)};
    for (const auto& stream : streams) {
        SCOPED_TRACE(stream);
        RecordReader reader(5);
        reader.feed(stream.data(), stream.size());
        EXPECT_FALSE(reader.finished());
    }
}

// Checks made in the test, run the way the validator runs any check.
void writesThenAborts(CheckContext& context)
{
    for (int i = 1; i <= 20; ++i)
        context.trail().line("line " + std::to_string(i));
    std::abort();
}

void hangs(CheckContext& context)
{
    context.trail().line("about to hang");
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

void exitsEarly(CheckContext&) { std::_Exit(3); }

void throws(CheckContext&) { throw std::runtime_error("out of order"); }

void warnsAndNotes(CheckContext& context)
{
    context.note("a note");
    context.warn("a warning");
}

TEST(RunnerTest, ACrashOrHangIsReportedWithTheLastLinesAndTheRunGoesOn)
{
    // Checks made inside a test can run in a child only where fork() copies
    // them; Windows children are the program started again (wine_abi_cases.sh).
    if (!childrenByFork())
        GTEST_SKIP() << "no fork() here";
    struct Row {
        Check check;
        CheckStatus status;
        std::string firstDetail;
        std::vector<std::string> lastLines;
        double watchdog = 30;  // ample, also under a memory checker
    };
    const std::vector<Row> rows = {
        {{"t.abort", "", writesThenAborts}, CheckStatus::crash, "the check's process died of SIGABRT",
         {"line 17", "line 18", "line 19", "line 20"}},
        {{"t.abort-warns", "", writesThenAborts, true}, CheckStatus::warn, "the check's process died of SIGABRT",
         {"line 17", "line 18", "line 19", "line 20"}},
        {{"t.hang", "", hangs}, CheckStatus::timeout, "no end within 0.5 s: the check's process was killed",
         {"about to hang"}, 0.5},
        {{"t.exit", "", exitsEarly}, CheckStatus::crash, "the check's process ended with exit code 3 before finishing",
         {}},
        {{"t.throw", "", throws}, CheckStatus::fail, "an exception left the check: out of order", {}},
        {{"t.warn", "", warnsAndNotes}, CheckStatus::warn, "a note", {}},
    };
    CheckSetup setup;
    RunSettings settings;
    settings.trailLines = 4;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.check.id);
        settings.watchdogSeconds = row.watchdog;
        const CheckOutcome outcome = runCheck(row.check, setup, settings);
        EXPECT_EQ(outcome.result.status, row.status);
        ASSERT_FALSE(outcome.result.details.empty());
        EXPECT_EQ(outcome.result.details.front(), row.firstDetail);
        EXPECT_EQ(outcome.lastLines, row.lastLines);
    }
}

TEST(RunnerTest, InProcessChecksReportThemselves)
{
    RunSettings settings;
    settings.inProcess = true;
    const Check check{"t.warn", "", warnsAndNotes};
    const CheckOutcome outcome = runCheck(check, CheckSetup(), settings);
    EXPECT_EQ(outcome.result.status, CheckStatus::warn);
    EXPECT_EQ(outcome.result.details, (std::vector<std::string>{"a note", "a warning"}));
}

TEST(RunnerTest, ChecksAreSelectedByIdPattern)
{
    // The ids are part of the interface for CI (--only, --skip, JUnit names): they change only on purpose.
    std::vector<std::string> ids;
    for (const Check* check : selectChecks(std::nullopt, std::nullopt))
        ids.push_back(check->id);
    EXPECT_EQ(ids, (std::vector<std::string>{
                       "load.basic", "load.null-host", "load.paths", "load.repeat", "codes.0", "codes.1", "codes.2",
                       "codes.3", "codes.4", "codes.5", "codes.6", "codes.7", "codes.outside", "codes.null-records",
                       "queries.texts", "release.answers", "timers.unknown-ids", "release.every-reply",
                       "replies.null", "replies.empty", "replies.long", "end.after-as", "heap.per-event",
                       "instances.shared-state", "soak.random"}));
    for (const Check* check : selectChecks(std::nullopt, std::nullopt))
        EXPECT_EQ(std::string(check->description).find('\n'), std::string::npos) << check->id;

    const auto chosen = selectChecks(idPattern("^release\\."), idPattern("answers"));
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_STREQ(chosen[0]->id, "release.every-reply");
    EXPECT_TRUE(selectChecks(idPattern("^nothing$"), std::nullopt).empty());
    // A pattern matches anywhere in the id; one that is not a regular expression says why.
    EXPECT_EQ(selectChecks(idPattern("null"), std::nullopt).size(), 3u);
    const auto broken = IdPattern::compile("codes.(");
    ASSERT_FALSE(broken);
    EXPECT_FALSE(broken.error().message.empty());
}

CheckOutcome outcomeOf(const char* id, CheckStatus status, std::vector<std::string> details = {})
{
    static std::vector<std::unique_ptr<Check>> made;
    made.push_back(std::make_unique<Check>(Check{id, "described", nullptr}));
    CheckOutcome outcome;
    outcome.check = made.back().get();
    outcome.result.status = status;
    outcome.result.details = std::move(details);
    return outcome;
}

TEST(ReportTest, TheRunPassesUnlessACheckFailsCrashesOrTimesOut)
{
    struct Row {
        std::vector<CheckStatus> statuses;
        bool strict;
        bool fails;
    };
    const std::vector<Row> rows = {
        {{CheckStatus::pass, CheckStatus::skip}, false, false},
        {{CheckStatus::pass, CheckStatus::warn}, false, false},
        {{CheckStatus::pass, CheckStatus::warn}, true, true},
        {{CheckStatus::skip}, true, false},
        {{CheckStatus::fail}, false, true},
        {{CheckStatus::pass, CheckStatus::crash}, false, true},
        {{CheckStatus::timeout, CheckStatus::pass}, false, true},
    };
    for (const Row& row : rows) {
        std::vector<CheckOutcome> outcomes;
        for (const CheckStatus status : row.statuses)
            outcomes.push_back(outcomeOf("x", status));
        EXPECT_EQ(runPassed(outcomes, row.strict), !row.fails);
        EXPECT_EQ(finalLine(outcomes, row.strict, 1.5).rfind(row.fails ? "FAILURE: " : "SUCCESS: ", 0), 0u);
    }
    const std::vector<CheckOutcome> mixed = {outcomeOf("a", CheckStatus::pass), outcomeOf("b", CheckStatus::warn),
                                        outcomeOf("c", CheckStatus::skip), outcomeOf("d", CheckStatus::fail),
                                        outcomeOf("e", CheckStatus::crash), outcomeOf("f", CheckStatus::timeout)};
    EXPECT_EQ(finalLine(mixed, false, 1.5), "FAILURE: 6 checks: 1 passed, 1 warned, 1 skipped, 1 failed, 1 crashed, "
                                            "1 timed out (1.50 s)\n");
}

RunInfo runInfo()
{
    RunInfo info;
    info.library = "lib<x>.so";
    info.seed = 42;
    info.soakSteps = 10;
    info.watchdogSeconds = 30;
    info.seconds = 0.25;
    return info;
}

TEST(ReportTest, TheJsonReportIsVersionedAndCarriesEveryCheck)
{
    CheckOutcome crash = outcomeOf("codes.6", CheckStatus::crash, {"died"});
    crash.signal = "SIGSEGV";
    crash.lastLines = {"host > script  6  \"\\x01\""};
    RunInfo info = runInfo();
    info.exitCode = 1;
    const std::string json = jsonReport(info, {outcomeOf("load.basic", CheckStatus::pass, {"a \"note\""}), crash});
    EXPECT_EQ(json,
              "{\"schema\":\"vesk-host-validate\",\"schema_version\":1,\"library\":\"lib<x>.so\",\"plant\":null,"
              "\"seed\":42,\"soak_steps\":10,\"watchdog_seconds\":30.0,\"isolation\":\"process\",\"strict\":false,"
              "\"checks\":[{\"id\":\"load.basic\",\"description\":\"described\",\"status\":\"PASS\",\"seconds\":"
              "0.0,\"details\":[\"a \\\"note\\\"\"],\"signal\":null,\"last_lines\":[]},{\"id\":\"codes.6\","
              "\"description\":\"described\",\"status\":\"CRASH\",\"seconds\":0.0,\"details\":[\"died\"],"
              "\"signal\":\"SIGSEGV\",\"last_lines\":[\"host > script  6  \\\"\\\\x01\\\"\"]}],\"causes\":[],"
              "\"counts\":{\"pass\":1,"
              "\"warn\":0,\"skip\":0,\"fail\":0,\"crash\":1,\"timeout\":0},\"result\":\"FAILURE\",\"exit_code\":1,"
              "\"seconds\":0.25}\n");
}

TEST(ReportTest, JunitMapsEachStatusToItsElement)
{
    RunInfo strict = runInfo();
    strict.strict = true;
    const std::vector<CheckOutcome> outcomes = {
        outcomeOf("p", CheckStatus::pass),          outcomeOf("w", CheckStatus::warn, {"odd <thing>"}),
        outcomeOf("s", CheckStatus::skip, {"why"}), outcomeOf("f", CheckStatus::fail, {"broke & \"ran\""}),
        outcomeOf("c", CheckStatus::crash, {"died"}), outcomeOf("t", CheckStatus::timeout, {"hung"}),
    };
    const std::string lenient = junitReport(runInfo(), outcomes);
    EXPECT_NE(lenient.find("tests=\"6\" failures=\"1\" errors=\"2\" skipped=\"1\""), std::string::npos) << lenient;
    EXPECT_NE(lenient.find("name=\"p\" time=\"0.000\">\n    </testcase>"), std::string::npos);
    EXPECT_NE(lenient.find("<system-out>WARN\nodd &lt;thing&gt;\n</system-out>"), std::string::npos);
    EXPECT_NE(lenient.find("<skipped message=\"why\"/>"), std::string::npos);
    EXPECT_NE(lenient.find("<failure message=\"broke &amp; &quot;ran&quot;\" type=\"FAIL\">"), std::string::npos);
    EXPECT_NE(lenient.find("<error message=\"died\" type=\"CRASH\">"), std::string::npos);
    EXPECT_NE(lenient.find("<error message=\"hung\" type=\"TIMEOUT\">"), std::string::npos);
    EXPECT_NE(lenient.find("<testsuite name=\"vesk_host validate lib&lt;x&gt;.so\""), std::string::npos);
    const std::string strictReport = junitReport(strict, outcomes);
    EXPECT_NE(strictReport.find("failures=\"2\""), std::string::npos);
    EXPECT_NE(strictReport.find("<failure message=\"odd &lt;thing&gt;\" type=\"WARN\">"), std::string::npos);
}

TEST(ReportTest, XmlTextIsAsciiWithoutMarkup)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"plain", "plain"},
        {"<a href='x'>&</a>", "&lt;a href=&apos;x&apos;&gt;&amp;&lt;/a&gt;"},
        {std::string("nul\0bell\a", 9), "nul\\x00bell\\x07"},
        {"line\nand\ttab\r", "line\nand\ttab\\x0d"},
        {"\xc3\xa9\xff\x7f", "\\xc3\\xa9\\xff\\x7f"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(xmlText(text), expected);
}

TEST(LoadRepeatTest, AHeapLeaksWhenItGrowsSteadily)
{
    constexpr std::size_t base = 300000;
    // Nine figures, after loads 20, 30, ..., 100.
    const auto steady = [](std::size_t perStretch, std::size_t jumpAt = 0, std::size_t jump = 0) {
        std::vector<std::size_t> samples;
        for (std::size_t i = 0; i < 9; ++i)
            samples.push_back(base + i * perStretch + (jumpAt && i >= jumpAt ? jump : 0));
        return samples;
    };
    struct Case {
        const char* what;
        std::vector<std::size_t> samples;
        bool leaks;
    };
    const std::vector<Case> cases = {
        {"flat", steady(0), false},
        {"16 bytes a load", steady(160), true},
        {"a block of 100 a load", steady(1000), true},
        {"one page, late", steady(0, 7, 4096), false},
        {"one page, early", steady(0, 1, 4096), false},
        {"at the tolerance", steady(128), false},
        {"shrinking", {base, base - 512, base - 1024, base - 1536, base - 2048, base - 2560, base - 3072,
                       base - 3584, base - 4096}, false},
        {"a jump, then a slow leak", steady(320, 3, 4096), true},
        {"a block every fourth load", steady(80), false},
        // The emulator's own odd block early and a page late: two stretches grew.
        {"a little noise, then a page", {base, base, base + 480, base + 480, base + 480, base + 480, base + 480,
                                         base + 4896, base + 4896}, false},
        {"a leak in six of eight stretches", {base, base + 300, base + 600, base + 600, base + 900, base + 1200,
                                              base + 1200, base + 1500, base + 1800}, true},
        // Measured on Rig_Vue, which keeps nothing: the allocator's caches and a page.
        {"the allocator's own noise", {250848, 250880, 250880, 250896, 251056, 251248, 255344, 255504, 255504}, false},
        {"noise in most stretches", {251296, 251488, 251968, 251984, 251984, 252016, 252016, 256112, 256112}, false},
        {"below the measure", {0, 0, 0}, false},
        {"one figure", {base}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(validator::heapLeaks(c.samples), c.leaks) << c.what;
}

// Where the heap is watched, load.repeat counts the script's own blocks: the
// emulator's, whose cached sizes shift with as little as the plant path's
// length, never make Rig_Vue (which keeps nothing) look like a leak.
TEST(LoadRepeatTest, CountsOnlyTheScriptsBlocksWhereTheHeapIsWatched)
{
    if (!heap::watching())
        GTEST_SKIP() << "the heap is not watched in this build";
    const Check* repeat = selectChecks(idPattern("^load\\.repeat$"), std::nullopt).at(0);
    const auto folder = uniqueTempFolder("vesk_validator_repeat");
    for (std::size_t length = 1; length <= 100; length += 11) {
        const auto plantFolder = folder / std::string(length, 'p');
        std::filesystem::create_directories(plantFolder);
        std::filesystem::copy(EXAMPLES_DIR, plantFolder, std::filesystem::copy_options::recursive);
        CheckSetup setup;
        setup.library = RIG_VUE_LIBRARY;
        setup.plant = *loadPlantFile((plantFolder / "plant.toml").string());
        RunSettings settings;
        settings.inProcess = true;
        const CheckOutcome outcome = runCheck(*repeat, setup, settings);
        EXPECT_EQ(outcome.result.status, CheckStatus::pass) << "a plant path " << length << " longer";
        ASSERT_FALSE(outcome.result.details.empty());
        EXPECT_EQ(outcome.result.details.back(),
                  "heap in use after loads 20: 0, 30: 0, 40: 0, 50: 0, 60: 0, 70: 0, 80: 0, 90: 0, 100: 0 bytes "
                  "(the script's own blocks, heap watch)");
    }
    std::filesystem::remove_all(folder);
}

// The soak on Rig_Vue, in this process: it passes, removes its session
// file, and two runs from one seed take the same steps.
TEST(SoakTest, RigVueSoaksCleanAndRepeats)
{
    const auto folder = uniqueTempFolder("vesk_validator_soak");
    std::filesystem::create_directories(folder);
    CheckSetup setup;
    setup.library = RIG_VUE_LIBRARY;
    setup.plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    setup.seed = 99;
    setup.soakSteps = 300;
    setup.soakFile = (folder / "soak.vesk").string();
    RunSettings settings;
    settings.inProcess = true;
    const Check* soak = selectChecks(idPattern("^soak\\.random$"), std::nullopt).at(0);
    const CheckOutcome outcome = runCheck(*soak, setup, settings);
    EXPECT_EQ(outcome.result.status, CheckStatus::pass);
    EXPECT_EQ(outcome.result.details,
              (std::vector<std::string>{"300 steps from seed 99 (repeat with --seed 99)"}));
    EXPECT_FALSE(std::filesystem::exists(setup.soakFile));
    std::filesystem::remove_all(folder);
}

} // namespace
