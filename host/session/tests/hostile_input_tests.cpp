// Hostile input to the emulator's own readers: every class of file, text
// and number that once crashed it, made it grow without end, read outside
// its folders, or was accepted silently. Each table row is one input and
// what the emulator must say about it.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "abi/library_format.h"
#include "base/files.h"
#include "base/memory_budget.h"
#include "commands/command_executor.h"
#include "commands/command_parser.h"
#include "plant/panel_file.h"
#include "plant/plant_file.h"
#include "plant/routing.h"
#include "plant/timers.h"
#include "plant/toml_bounds.h"
#include "session/session_steps.h"
#include "testing/temp_folder.h"

using namespace vesk_host;

namespace {

std::string repeat(const std::string& part, std::size_t times)
{
    std::string text;
    text.reserve(part.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += part;
    return text;
}

// "" when the text passes; otherwise "LINE: message".
std::string bounds(const std::string& text)
{
    const auto problem = checkTomlBounds(text);
    return problem ? std::to_string(problem->line) + ": " + problem->message : std::string();
}

struct BoundsCase {
    const char* name;
    std::string text;
    std::string problem;  // "" or "LINE: the start of the message"
};

TEST(HostileTomlTest, LimitsAreCheckedBeforeTheParser)
{
    const std::vector<BoundsCase> cases = {
        {"a key of 40,000 dotted parts", repeat("a.", 40000) + "a = 1\n", "1: a dotted key has more than 32 parts"},
        {"a table header of 40,000 parts", "x = 1\n[" + repeat("a.", 40000) + "a]\n",
         "2: a dotted key has more than 32 parts"},
        {"an array-of-tables header", "[[" + repeat("b.", 40) + "b]]\n", "1: a dotted key"},
        {"dotted keys inside an inline table", "x = { " + repeat("c.", 33) + "c = 1 }\n", "1: a dotted key"},
        {"32 parts are fine", repeat("a.", 31) + "a = 1\n", ""},
        {"arrays 100,000 deep", "x = " + repeat("[", 100000) + repeat("]", 100000) + "\n",
         "1: arrays and inline tables are nested more than 32 deep"},
        {"inline tables 40 deep", "x = " + repeat("{a=", 40) + "1" + repeat("}", 40) + "\n", "1: arrays and inline"},
        {"a multi-line array 32 deep is fine", "x = " + repeat("[\n", 32) + repeat("]\n", 32), ""},
        {"a line over 1 MiB", "x = \"" + repeat("y", 1024 * 1024) + "\"\n", "1: the line is longer than 1048576"},
        {"a text over 16 MiB", repeat("# " + repeat("z", 1000) + "\n", 17 * 1024), "0: is larger than 16777216"},
        {"dots, brackets and quotes inside texts count for nothing",
         "x = \"" + repeat("a.[{", 1000) + "\\\"\"\ny = '" + repeat(".[", 100) + "'\n# " + repeat(".[{\"", 100) + "\n",
         ""},
        {"floats and dates are values", "x = [1.5, 2.5, 3.25]\nd = 1979-05-27T07:32:00Z\n", ""},
        {"a basic text without its closing quote", "a = 1\nx = \"abc\ny = 2\n",
         "2: a text in quotes is missing its closing \""},
        {"a literal text without its closing quote", "x = 'abc\n", "1: a text in quotes is missing its closing '"},
        {"at the end of the file", "x = \"abc", "1: a text in quotes is missing its closing \""},
        {"triple quotes never closed name their first line", "a = 1\nx = \"\"\"abc\n\n\ny = 2\n",
         "2: a text in triple quotes that starts here is never closed"},
        {"triple quotes that end in extra quotes", "x = \"\"\"a\\\nb\"\"\"\"\"\ny = '''c''''\nz = 1\n", ""},
        {"non-ASCII outside quotes", "t\xc9\xa7'\x00\x00\x00#'\n", "1: a character outside the ASCII range"},
        {"a non-ASCII key", "cl\xc3\xa9 = 1\n", "1: a character outside the ASCII range"},
        {"non-ASCII in texts and comments is fine", "x = \"CAM\xc3\x89RA \xe2\x82\xac\" # \xc3\xa9\n", ""},
        {"a backslash before a non-ASCII character", "x = \"\\\xc9\xa7\"\n", "1: a backslash must be followed"},
        {"a line-ending backslash before a non-ASCII character", "x = \"\"\"a\\\n  \xc9\xa7\"\"\"\n",
         "1: after a line-ending backslash"},
        {"a quote in the middle of a value", "path =0\"D:\xcf\xb6\"\n", "1: a value holds \""},
        {"a bracket in the middle of a value", "names =00002[\"\xef\xb3\xbf\" }\n", "1: a value holds ["},
        {"a byte-order mark is skipped", "\xEF\xBB\xBFx = 1\n", ""},
        {"a byte-order mark only at the start", "x = 1\n\xEF\xBB\xBFy = 2\n", "2: a character outside the ASCII range"},
        {"dates, floats and booleans", "a = 1979-05-27 07:32:00\nb = [+inf, -1e+5, 0x1F, 1_000, true]\n", ""},
        {"quotes where values start", "x=\"a\"\ny = [\"b\",'c',{z=\"d\"}]\nw = [\n  \"e\"\n]\n", ""},
        {"a line-end backslash keeps line numbers", "x = \"\"\"a\\\n\\\n\n" + repeat("b.", 40) + "b\"\"\"\n" +
                                                       repeat("c.", 40) + "c = 1\n",
         "5: a dotted key"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string got = bounds(row.text);
        if (row.problem.empty())
            EXPECT_EQ(got, "");
        else
            EXPECT_EQ(got.substr(0, row.problem.size()), row.problem);
    }
}

struct MessageCase {
    std::string text;
    std::string message;  // the start of "file:line: message"
};

TEST(HostileTomlTest, TheParsersWordsAreOurs)
{
    const std::vector<MessageCase> cases = {
        {"path \"panels\"\n", "plant.toml:1: a key must be followed by \"=\" and a value"},
        {"path = \"a\"\n\npath = \"b\"\n", "plant.toml:3: the key \"path\" is given twice"},
        {"[[device]]\nname = \"A\"\nname = \"B\"\nnumber = 1\n", "plant.toml:3: the key \"name\" is given twice"},
        {"path =\n", "plant.toml:1: a \"=\" must be followed by a value"},
        {"[[device]]\nname = \"A\"\nnumber = 99999999999999999999\n", "plant.toml:3: a number is too large"},
        {"path = \"panels\n", "plant.toml:1: a text in quotes is missing its closing \""},
        {repeat("a.", 40000) + "a = 1\n", "plant.toml:1: a dotted key has more than 32 parts"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.message);
        const auto load = parsePlant(row.text, "plant.toml", "/");
        ASSERT_FALSE(load);
        EXPECT_EQ(load.error().message.substr(0, row.message.size()), row.message);
    }
}

TEST(HostileTomlTest, PlantAndPanelFilesMayStartWithAByteOrderMark)
{
    const auto plant = parsePlant("\xEF\xBB\xBFpath = \"p\"\n", "plant.toml", "/");
    ASSERT_TRUE(plant) << plant.error().message;
    EXPECT_EQ(plant->path, "p");
    const auto panel = parsePanelFile("\xEF\xBB\xBF[[control]]\nid = \"A\"\n", "p.vesk_ui");
    ASSERT_TRUE(panel) << panel.error().message;
}

TEST(HostilePlantTest, DevicesMayHaveSeveralInstanceNames)
{
    const auto load = parsePlant("[[device]]\nname = \"SDI\"\nnames = [\"SDI backup\", \"SDI B\"]\nnumber = 7\n"
                                 "[[device]]\nnames = [\"XPTS\"]\nnumber = 9\n"
                                 "[[router]]\ndevice = \"SDI B\"\nsources = 2\ndestinations = 2\n",
                                 "plant.toml", "/");
    ASSERT_TRUE(load) << load.error().message;
    for (const char* name : {"SDI", "SDI backup", "SDI B"}) {
        ASSERT_NE(load->deviceByName(name), nullptr) << name;
        EXPECT_EQ(load->deviceByName(name)->number, 7) << name;
    }
    EXPECT_EQ(load->deviceByName("XPTS")->number, 9);
    EXPECT_EQ(load->describeDevice(7), "\"SDI\" (device 7)");
    EXPECT_NE(load->router(7), nullptr);
}

TEST(HostilePlantTest, EveryNameMistakeIsRefusedWithItsLine)
{
    const std::vector<MessageCase> cases = {
        {"[[device]]\nnumber = 1\n", "p:1: [[device]] needs the key \"name\" (or a list \"names\")"},
        {"[[device]]\nname = \"A\"\nnames = []\nnumber = 1\n", "p:3: device.names must be a list of texts"},
        {"[[device]]\nnames = \"A\"\nnumber = 1\n", "p:2: device.names must be a list of texts"},
        {"[[device]]\nnames = [\"A\", 5]\nnumber = 1\n", "p:2: each of device.names must be a text"},
        {"[[device]]\nnames = [\"A\", \"\"]\nnumber = 1\n", "p:2: a device name must not be empty"},
        {"[[device]]\nname = \"A\"\nnames = [\"B\", \"A\"]\nnumber = 1\n", "p:3: the device \"A\" is declared twice"},
        {"[[device]]\nnames = [\"A\"]\nnumber = 1\n[[device]]\nnames = [\"B\", \"A\"]\nnumber = 2\n",
         "p:5: the device \"A\" is declared twice"},
        {"[[device]]\nnames = [\"A\"]\nnumber = 1\n[[device]]\nname = \"B\"\nnumber = 1\n",
         "p:6: device number 1 is already used by \"A\" (one [[device]] may list several names)"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        const auto load = parsePlant(row.text, "p", "/");
        ASSERT_FALSE(load);
        EXPECT_EQ(load.error().message.substr(0, row.message.size()), row.message) << load.error().message;
    }
}

std::string routers(int count, int destinations)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "[[device]]\nname = \"R" + std::to_string(i) + "\"\nnumber = " + std::to_string(i) +
                "\n[[router]]\ndevice = \"R" + std::to_string(i) + "\"\nsources = 4\ndestinations = " +
                std::to_string(destinations) + "\n";
    return text;
}

TEST(HostilePlantTest, RoutersAndDatabasesCountAgainstTheBudgetInTotal)
{
    // 300 routers of 2^20 destinations: each within the per-router limit, 1.2 GB together.
    MemoryBudget budget(512 * mebibyte);
    const auto load = parsePlant(routers(300, 1 << 20), "big.toml", "/", &budget);
    ASSERT_FALSE(load);
    EXPECT_NE(load.error().message.find("big.toml:"), std::string::npos);
    EXPECT_NE(load.error().message.find("the plant's routers and databases would need"), std::string::npos)
        << load.error().message;
    EXPECT_NE(load.error().message.find("over the memory budget of 512 MiB"), std::string::npos);

    MemoryBudget small(16 * mebibyte);
    std::string entries = "[[device]]\nname = \"D\"\nnumber = 1\n[[database]]\ndevice = \"D\"\nnumber = 0\nentries = {";
    for (int i = 0; i < 20; ++i)
        entries += (i ? ", " : " ") + std::to_string(i) + " = \"" + repeat("x", 1000000) + "\"";
    const auto databases = parsePlant(entries + " }\n", "db.toml", "/", &small);
    ASSERT_FALSE(databases);
    EXPECT_NE(databases.error().message.find("over the memory budget of 16 MiB"), std::string::npos);

    MemoryBudget enough(512 * mebibyte);
    const auto fits = parsePlant(routers(10, 1 << 20), "ok.toml", "/", &enough);
    ASSERT_TRUE(fits) << fits.error().message;
    EXPECT_GE(enough.used(plantCategory), 10u * (4u << 20));
    EXPECT_EQ(enough.used(plantFileCategory), 0u);
}

template <class Load> double secondsOf(Load load)
{
    const auto start = std::chrono::steady_clock::now();
    load();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct LoadTimes {
    double plant = 0, panel = 0, lookups = 0;
};

LoadTimes loadTimes(int count)
{
    std::string plantText;
    std::string panelText;
    for (int i = 1; i <= count; ++i) {
        plantText += "[[device]]\nname = \"D" + std::to_string(i) + "\"\nnumber = " + std::to_string(i) + "\n";
        panelText += "[[control]]\nid = \"C" + std::to_string(i) + "\"\ntext = \"x\"\n";
    }
    LoadTimes times;
    Result<Plant> plant = fail("not read");
    times.plant = secondsOf([&] { plant = parsePlant(plantText, "p", "/"); });
    EXPECT_TRUE(plant) << plant.error().message;
    Result<PanelLayout> panel = fail("not read");
    times.panel = secondsOf([&] { panel = parsePanelFile(panelText, "f"); });
    EXPECT_TRUE(panel) << panel.error().message;
    if (!plant || !panel)
        return times;
    Panels panels;
    times.lookups = secondsOf([&] {
        panels.load("1", "f", *panel);
        for (int i = 1; i <= count; ++i)
            EXPECT_NE(panels.find("1")->control("C" + std::to_string(i)), nullptr);
        for (int i = 1; i <= count; ++i)
            EXPECT_EQ(plant->deviceByName("D" + std::to_string(i))->number, i);
    });
    return times;
}

// Duplicate checks and lookups hash; comparing every pair took 40 s for
// 100,000. Ten times the entries must take about ten times as long (a
// quadratic reader takes a hundred times), whatever the machine and build.
TEST(HostileLoadingTest, AHundredThousandDevicesAndControlsLoadInLinearTime)
{
    const LoadTimes small = loadTimes(10000);
    const LoadTimes large = loadTimes(100000);
    std::cout << "100,000 devices: " << large.plant << " s; 100,000 controls: " << large.panel
              << " s; 200,000 lookups: " << large.lookups << " s (10,000 of each: " << small.plant << " s, "
              << small.panel << " s, " << small.lookups << " s)\n";
    const double slack = 0.05;  // timer and allocator noise on the small run
    EXPECT_LT(large.plant, 30 * (small.plant + slack));
    EXPECT_LT(large.panel, 30 * (small.panel + slack));
    EXPECT_LT(large.lookups, 30 * (small.lookups + slack));
}

TEST(HostilePanelTest, ControlIdsThatNoScriptCouldUseAreRefused)
{
    const std::vector<std::pair<std::string, const char*>> cases = {
        {"a,b", "f:2: control.id \"a,b\" must not hold \",\""},
        {"it's", "f:2: control.id \"it's\" must not hold an apostrophe"},
        {"two words", "f:2: control.id \"two words\" must not hold a blank"},
        {"tab\\there", "f:2: control.id \"tab\\there\" must not hold control characters"},
        {"nl\\nhere", "f:2: control.id \"nl\\nhere\" must not hold control characters"},
        {"del\\u007f", "f:2: control.id \"del\\x7f\" must not hold control characters"},
        {"", "f:2: control.id must not be empty"},
    };
    for (const auto& [id, message] : cases) {
        SCOPED_TRACE(id);
        const auto layout = parsePanelFile("[[control]]\nid = \"" + id + "\"\n", "f");
        ASSERT_FALSE(layout);
        EXPECT_EQ(layout.error().message.substr(0, std::string(message).size()), message) << layout.error().message;
    }
    for (const char* good : {"video_source", "CAM-1.a", "x%2", "Ünïcode"}) {
        const auto layout = parsePanelFile("[[control]]\nid = \"" + std::string(good) + "\"\n", "f");
        EXPECT_TRUE(layout) << good << ": " << layout.error().message;
    }
}

// Symbolic links, FIFOs and devices as POSIX systems have them.
#if !defined(_WIN32)
class HostileFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = uniqueTempFolder("vesk_host_hostile");
        std::filesystem::create_directories(folder / "panels" / "sub");
        std::filesystem::create_directories(folder / "outside");
        std::ofstream(folder / "panels" / "good.vesk_ui") << "[[control]]\nid = \"A\"\n";
        std::ofstream(folder / "panels" / "sub" / "inner.vesk_ui") << "[[control]]\nid = \"B\"\n";
        std::ofstream(folder / "panels" / "bad.vesk_ui") << "[[control]]\nid = \"A\"\n\nnope\n";
        std::ofstream(folder / "panels" / "deep.vesk_ui") << repeat("a.", 40000) << "a = 1\n";
        std::ofstream(folder / "outside" / "secret.vesk_ui") << "[[control]]\nid = \"S\"\n";
        std::filesystem::create_symlink(folder / "outside" / "secret.vesk_ui", folder / "panels" / "link.vesk_ui");
        std::filesystem::create_directory_symlink(folder / "outside", folder / "panels" / "away");
        std::filesystem::create_symlink("sub/inner.vesk_ui", folder / "panels" / "near.vesk_ui");
        plant.path = "panels";
        plant.panelFolder = folder / "panels";
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // The reply's status word and the warning's message ("" for none).
    std::pair<int, std::string> load(const std::string& file)
    {
        EventBus events;
        Panels panels;
        Timers timers;
        RevertiveQueue queue;
        CommandContext context{plant, panels, timers, queue, events};
        const auto command = parseCommand("PS '1' '" + file + "'");
        EXPECT_TRUE(command) << command.error().message;
        const Execution execution = execute(context, *command);
        return {execution.reply.status, execution.findings.empty() ? "" : execution.findings[0].message};
    }

    std::filesystem::path folder;
    Plant plant;
};

TEST_F(HostileFilesTest, PanelFilesAreReadOnlyFromInsideThePanelFolderByRealPath)
{
    struct Case {
        const char* file;
        int status;
        std::vector<std::string> said;  // parts of the warning, in any order
    };
    const std::string real = std::filesystem::canonical(folder).string();
    const std::vector<Case> cases = {
        {"panels/good.vesk_ui", 1, {}},
        {"panels/sub/inner.vesk_ui", 1, {}},
        {"panels/near.vesk_ui", 1, {}},
        {"panels/link.vesk_ui", 0, {"leads outside the panel folder " + real + "/panels", "secret.vesk_ui"}},
        {"panels/away/secret.vesk_ui", 0, {"leads outside the panel folder"}},
        {"panels/../outside/secret.vesk_ui", 0, {"lies outside the panel folder"}},
        {"/etc/passwd", 0, {"lies outside the panel folder"}},
        {"panels/", 0, {"\"panels/\" names the panel folder, not a panel file in it"}},
        {"panels/sub/", 0, {"names the panel folder, not a panel file"}},
        {"panels/missing.vesk_ui", 0, {"in the folder " + real + "/panels cannot be read: no such file"}},
        {"panels/sub", 0, {"cannot be read: is a directory"}},
        {"panels/bad.vesk_ui", 0, {"not valid: panels/bad.vesk_ui:4:", "(read from the folder " + real + "/panels)"}},
        {"panels/deep.vesk_ui", 0,
         {"not valid: panels/deep.vesk_ui:1: a dotted key has more than 32 parts", "folder " + real + "/panels"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.file);
        const auto [status, warning] = load(row.file);
        EXPECT_EQ(status, row.status) << warning;
        if (row.said.empty()) {
            EXPECT_EQ(warning, "");
        }
        for (const auto& part : row.said)
            EXPECT_NE(warning.find(part), std::string::npos) << warning;
    }
}

TEST_F(HostileFilesTest, FilesThatCannotBeReadSayWhy)
{
    std::ofstream(folder / "big.toml") << repeat("x", 5000);
    const std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {folder / "nothing.toml", "cannot be read: no such file"},
        {folder / "nothing" / "deeper.toml", "cannot be read: no such file"},
        {folder / "panels", "cannot be read: is a directory"},
        {"/dev/zero", "cannot be read: is not a regular file (a FIFO, a device or a socket)"},
        {"", "\"\": cannot be read: an empty file name"},
        {folder / "big.toml", "cannot be read: is larger than 4096 bytes"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file.string());
        const auto text = readWholeFile(file, 4096);
        ASSERT_FALSE(text);
        EXPECT_NE(text.error().message.find(reason), std::string::npos) << text.error().message;
    }
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto fromFifo = readWholeFile(fifo);
    ASSERT_FALSE(fromFifo);
    EXPECT_NE(fromFifo.error().message.find("is not a regular file"), std::string::npos);
    if (geteuid() != 0) {
        std::filesystem::permissions(folder / "big.toml", std::filesystem::perms::none);
        const auto denied = readWholeFile(folder / "big.toml");
        ASSERT_FALSE(denied);
        EXPECT_NE(denied.error().message.find("permission denied"), std::string::npos) << denied.error().message;
    }
    const auto plant = loadPlantFile(folder / "panels");
    ASSERT_FALSE(plant);
    EXPECT_NE(plant.error().message.find("is a directory"), std::string::npos);
}

#endif

TEST(HostileNumbersTest, NumbersOutOfRangeSaySo)
{
    Plant plant;
    plant.devices.push_back(Device{"SDI", 7, {}});
    plant.routers.push_back(Router{7, 4, 4, {}, {0, 0, 0, 0}, {}});
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"tick 99999999999", "the timer id is too large (at most 2147483647), not \"99999999999\""},
        {"tick -99999999999", "the timer id is too small (at least -2147483648), not \"-99999999999\""},
        {"tick 12x", "the timer id must be a whole number, not \"12x\""},
        {"route SDI 2147483648 1", "is too large (at most 2147483647)"},
        {"revertive 99999999999 1 x", "the device number \"99999999999\" is too large (at most 2147483647)"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const auto step = parseStep(line, 1, plant);
        ASSERT_FALSE(step);
        EXPECT_NE(step.error().message.find(message), std::string::npos) << step.error().message;
    }
}

// Library headers for machines other than this one (x86-64 Linux).
#if defined(__x86_64__) && !defined(_WIN32)
std::string elfHeader(unsigned char type, unsigned short machine)
{
    std::string header(64, '\0');
    header.replace(0, 4, "\x7f" "ELF");
    header[4] = static_cast<char>(type);
    header[5] = 1;
    header[18] = static_cast<char>(machine & 0xff);
    header[19] = static_cast<char>(machine >> 8);
    return header;
}

std::string peHeader(unsigned short machine)
{
    std::string header(256, '\0');
    header.replace(0, 2, "MZ");
    header[0x3c] = static_cast<char>(0x80);
    header.replace(0x80, 4, std::string("PE\0\0", 4));
    header[0x84] = static_cast<char>(machine & 0xff);
    header[0x85] = static_cast<char>(machine >> 8);
    return header;
}

TEST(HostileLibraryTest, ALibraryForAnotherMachineIsNamedAsSuch)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {elfHeader(1, 3), "it is built for x86 (32-bit), this vesk_host is x86-64"},
        {elfHeader(2, 183), "it is built for ARM64, this vesk_host is x86-64"},
        {elfHeader(1, 40), "it is built for ARM (32-bit), this vesk_host is x86-64"},
        {elfHeader(2, 243), "it is built for machine number 243 (64-bit), this vesk_host is x86-64"},
        {peHeader(0x14c), "it is a Windows DLL built for x86 (32-bit); this vesk_host is x86-64"},
        {peHeader(0x8664), "it is a Windows DLL built for x86-64"},
        {std::string("MZ") + std::string(100, '\0'), "it is a DOS or Windows program, not a library"},
        {"\x7f" "ELF\x01", "it is cut short"},
        {elfHeader(2, 62), ""},
        {"#!/bin/sh\n", ""},
        {"", ""},
    };
    for (const auto& [header, reason] : cases) {
        SCOPED_TRACE(reason);
        const std::string got = foreignLibrary(header).value_or("");
        EXPECT_EQ(got.substr(0, reason.size()), reason);
        EXPECT_EQ(got.empty(), reason.empty()) << got;
    }
}
#endif

TEST(HostileBudgetTest, ChargesAreRefusedPastTheLimitAndSayWhat)
{
    MemoryBudget budget(10 * mebibyte);
    EXPECT_TRUE(budget.charge("held replies", 6 * mebibyte));
    const Status over = budget.charge("queued events", 5 * mebibyte);
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().message,
              "queued events would need 5 MiB (the run 11 MiB in all), over the memory budget of 10 MiB");
    EXPECT_EQ(budget.used(), 6 * mebibyte);
    EXPECT_EQ(budget.used("queued events"), 0u);
    const Status huge = budget.charge("a router", UINT64_MAX);
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.error().message.find("a router would need 16 EiB"), std::string::npos) << huge.error().message;
    budget.refund("held replies", 2 * mebibyte);
    EXPECT_TRUE(budget.charge("queued events", 5 * mebibyte));
    EXPECT_EQ(budget.used(), 9 * mebibyte);
    budget.refund("queued events", 100 * mebibyte);
    budget.refund("nothing charged", 1);
    EXPECT_EQ(budget.used(), 4 * mebibyte);
    EXPECT_EQ(byteSize(812), "812 B");
    EXPECT_EQ(byteSize(1536), "1.5 KiB");
    EXPECT_EQ(byteSize(512 * mebibyte + 1024), "512.0 MiB");
}

TEST(HostileTimersTest, TicksDroppedInAStormDoNotLagBehindTheClock)
{
    Timers timers;
    timers.start(1, 1);
    timers.start(2, 7);
    // An event storm dropped every tick; the clock went on to 60000.
    timers.setNow(60000);
    const auto list = timers.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 1);
    EXPECT_EQ(list[0].due, 60000);
    EXPECT_EQ(list[1].id, 2);
    EXPECT_EQ(list[1].due, 60004);  // 7 ms steps from 7: the first at or after 60000
}

// Timers as "ET" and the clock move them: a restart takes its place at the
// back of the start order, ticks due together go in start order, and the
// clock never goes back.
TEST(TimersTest, StartStopRearmAndTheClockKeepTickOrder)
{
    auto order = [](const Timers& timers) {
        std::string out;
        for (const RunningTimer& timer : timers.list())
            out += (out.empty() ? "" : " ") + std::to_string(timer.id) + "@" + std::to_string(timer.due);
        return out;
    };
    Timers timers;
    EXPECT_FALSE(timers.next());
    EXPECT_FALSE(timers.stop(1));
    timers.start(1, 100);
    timers.start(2, 50);
    timers.start(3, 100);
    EXPECT_EQ(order(timers), "2@50 1@100 3@100");
    timers.start(1, 100);  // restarted: now after 3 among the ticks at 100
    EXPECT_EQ(order(timers), "2@50 3@100 1@100");
    EXPECT_EQ(timers.next()->id, 2);
    timers.rearm(2);
    EXPECT_EQ(order(timers), "2@100 3@100 1@100");  // a tick keeps its timer's place
    EXPECT_TRUE(timers.stop(3));
    EXPECT_FALSE(timers.running(3));
    EXPECT_TRUE(timers.running(1));
    timers.setNow(100);
    timers.setNow(40);  // never backwards
    EXPECT_EQ(timers.now(), 100);
    EXPECT_EQ(order(timers), "2@100 1@100");
    timers.setNow(101);  // both ticks left behind: each moves to its first one from now
    EXPECT_EQ(order(timers), "2@150 1@200");
    timers.start(4, 2147483647);
    EXPECT_EQ(timers.list().back().due, 101 + 2147483647LL);
}

// Polls and takes on a router: a poll reads only destinations the router
// has, reports each registered or not, and stops where the memory budget
// does, saying so once; a take reports only a registered destination.
TEST(HostileRoutingTest, PollsStayWithinTheRouterAndTheBudget)
{
    Router router;
    router.device = 7;
    router.sources = 4;
    router.destinations = 6;
    router.crosspoints = {0, 1, 2, 3, 0, 1};
    router.sourceNames[1] = "CAM 1";
    router.registrations = {{2, 2}};
    auto drain = [](RevertiveQueue& queue) {
        std::string out;
        while (!queue.empty()) {
            const PendingRevertive next = queue.pop();
            out += (out.empty() ? "" : ",") + std::to_string(next.index) + "=" + next.text;
        }
        return out;
    };
    RevertiveQueue queue;
    EXPECT_EQ(pollDestinations(router, 4, 100, queue), 2);
    EXPECT_EQ(drain(queue), "4=0,5=CAM 1");
    EXPECT_EQ(pollDestinations(router, -5, 1, queue), 2);
    EXPECT_EQ(drain(queue), "0=0,1=CAM 1");
    EXPECT_EQ(pollDestinations(router, 3, 2, queue), 0);
    EXPECT_EQ(pollDestinations(router, 2147483647, -2147483647 - 1, queue), 0);
    takeCrosspoint(router, 3, 1, queue);  // not registered: routed, not reported
    takeCrosspoint(router, 1, 2, queue);
    takeCrosspoint(router, 1, 2, queue);  // the same take again reports again
    EXPECT_EQ(drain(queue), "2=CAM 1,2=CAM 1");
    EXPECT_EQ(router.crosspoints[1], 3);

    // Room for "0", "3" and "CAM 1" (destinations 0 to 2), not for a fourth.
    const std::uint64_t room = 3 * entryCost + 1 + 1 + 5;
    MemoryBudget budget(room);
    RevertiveQueue bounded(&budget);
    EXPECT_EQ(pollDestinations(router, 0, 5, bounded), 3);
    ASSERT_TRUE(bounded.refused());
    EXPECT_NE(bounded.refused()->message.find("queued revertives would need"), std::string::npos);
    EXPECT_EQ(budget.used(), room);
    bounded.clear();
    EXPECT_EQ(budget.used(), 0u);
}

} // namespace
