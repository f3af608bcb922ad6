// The golden file of a run: what a mismatch says (with the command line
// that records the file again, quoted for a shell), and the part of the
// output kept out of the file (the final panel table), in a comparison and
// in a recording alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/golden_file.h"
#include "testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vesk_host::GoldenFile;

class GoldenFileTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }
    std::string write(const std::string& name, const std::string& text)
    {
        const fs::path file = folder / name;
        std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }
    static std::string read(const std::string& file)
    {
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        return text.str();
    }
    // The output of a run with a final panel table the golden file leaves out.
    static void feedRun(GoldenFile& golden, const std::string& panelTable)
    {
        golden.feed("== start-up\nok    line 1: expect command \"AS\"\n");
        golden.setSkipping(true);
        golden.feed(panelTable);
        golden.setSkipping(false);
        golden.feed("== summary: 0 violation(s)\n");
    }
    const fs::path folder = uniqueTempFolder("vesk_golden_file");
};

TEST_F(GoldenFileTest, ShellCommandQuotesWhatAShellWouldSplit)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* command;
    } cases[] = {
        {{"vesk_host", "run", "--plant", "/a/plant.toml"}, "vesk_host run --plant /a/plant.toml"},
        {{"--golden", "/my rig/out.golden"}, "--golden '/my rig/out.golden'"},
        {{"it's"}, "'it'\\''s'"},
        {{""}, "''"},
        {{"a;rm -rf x", "$HOME", "*.vesk"}, "'a;rm -rf x' '$HOME' '*.vesk'"},
        {{"C:/x=1,y+2@3%"}, "C:/x=1,y+2@3%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vesk_host::shellCommand(c.arguments), c.command);
}

TEST_F(GoldenFileTest, EveryMismatchEndsWithTheCommandThatRecordsItAgain)
{
    const std::string again = "vesk_host run --golden g --update-golden lib.so";
    const std::string golden = write("run.golden", "== start-up\nok    line 1: expect command \"RU 1\"\n");
    GoldenFile differs = GoldenFile::compareWith(golden, again);
    differs.feed("== start-up\nok    line 1: expect command \"AS\"\n");
    const auto ending = differs.finish();
    ASSERT_TRUE(ending);
    EXPECT_FALSE(ending->passed);
    EXPECT_EQ(ending->message, "the output differs from " + golden +
                                  " at line 2\n  golden: ok    line 1: expect command \"RU 1\"\n  now:    ok    line 1: "
                                  "expect command \"AS\"\n  record it (once the new output is what you want):\n    " +
                                  again);

    GoldenFile missing = GoldenFile::compareWith((folder / "none.golden").string(), again);
    missing.feed("== start-up\n");
    EXPECT_EQ(missing.finish()->message, "cannot read the golden file " + (folder / "none.golden").string() +
                                            "\n  record it (once the new output is what you want):\n    " + again);
}

TEST_F(GoldenFileTest, TheSkippedPanelTableIsNeitherRecordedNorCompared)
{
    const std::string path = (folder / "run.golden").string();
    auto recording = GoldenFile::recordInto(path, {});
    ASSERT_TRUE(recording) << recording.error().message;
    feedRun(*recording, "== final panel state\nSources select -1\n");
    const auto recorded = recording->finish();
    ASSERT_TRUE(recorded && recorded->passed);
    EXPECT_EQ(read(path), "== start-up\nok    line 1: expect command \"AS\"\n== summary: 0 violation(s)\n");

    // A panel that gained a control still compares equal.
    GoldenFile compare = GoldenFile::compareWith(path, "again");
    feedRun(compare, "== final panel state\nSources select -1\nClear text CLEAR\n");
    const auto ending = compare.finish();
    ASSERT_TRUE(ending);
    EXPECT_TRUE(ending->passed) << ending->message;
}

} // namespace
