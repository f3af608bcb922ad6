// Plant and panel files an engineer or a tool got wrong on purpose or by
// accident: several names for one device and every name mistake, routers
// and databases over the memory budget, a hundred thousand entries, control
// ids no script could use, and a folder named as the plant file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/memory_budget.h"
#include "plant/panel_file.h"
#include "plant/panels.h"
#include "plant/plant_file.h"
#include "testing/repeat.h"
#include "testing/temp_folder.h"

using namespace vesk_host;

namespace {

struct MessageCase {
    std::string text;
    std::string message;  // the start of "file:line: message"
};

TEST(PlantNamesTest, DevicesMayHaveSeveralInstanceNames)
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

TEST(PlantNamesTest, EveryNameMistakeIsRefusedWithItsLine)
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

TEST(PlantBudgetTest, RoutersAndDatabasesCountAgainstTheBudgetInTotal)
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
TEST(PlantScaleTest, AHundredThousandDevicesAndControlsLoadInLinearTime)
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

TEST(PanelFileTest, ControlIdsThatNoScriptCouldUseAreRefused)
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

TEST(PlantBudgetTest, ABudgetRefusedKeepsItsKind)
{
    MemoryBudget budget(mebibyte);
    const auto load = parsePlant(routers(1, 1 << 20), "big.toml", "/", &budget);
    ASSERT_FALSE(load);
    EXPECT_EQ(load.error().kind, ErrorKind::overBudget);
    const auto wrong = parsePlant("path = 1\n", "p.toml", "/", &budget);
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().kind, ErrorKind::invalid);
}

TEST(PlantFileTest, AFolderIsNoPlantFile)
{
    const auto folder = uniqueTempFolder("vesk_host_plant_folder");
    std::filesystem::create_directories(folder);
    const auto plant = loadPlantFile(folder);
    ASSERT_FALSE(plant);
    EXPECT_EQ(plant.error().kind, ErrorKind::unreadable);
    EXPECT_NE(plant.error().message.find("is a directory"), std::string::npos);
    std::filesystem::remove_all(folder);
}

} // namespace
