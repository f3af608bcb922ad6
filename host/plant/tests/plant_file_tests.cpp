// Plant and panel files: what a good one gives, and the message each
// mistake gets (file, line, what is wrong); and the plant's lookups, which
// must keep up with lists that grow after they were first indexed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plant/panel_file.h"
#include "plant/plant_file.h"

using namespace vesk_host;

namespace {

const char* const goodPlant = R"(path = "D:/panels"
panel_folder = "ui"

[[router]]
device = "SDI"
sources = 10
destinations = 4
source_names = { 2 = "CAM 2" }
crosspoints = { 1 = 2 }

[[device]]
name = "SDI"
number = 7

[[device]]
name = "XPTS"
number = -5

[[database]]
device = "XPTS"
number = 1
entries = { 362 = "12,3", -1 = "x" }
)";

TEST(PlantFileTest, ReadsDevicesRoutersAndDatabases)
{
    const auto load = parsePlant(goodPlant, "plant.toml", "/plants/a");
    ASSERT_TRUE(load) << load.error().message;
    const Plant& plant = *load;
    EXPECT_EQ(plant.path, "D:/panels");
    EXPECT_EQ(plant.panelFolder, std::filesystem::path("/plants/a/ui"));
    ASSERT_EQ(plant.devices.size(), 2u);
    EXPECT_EQ(plant.deviceByName("XPTS")->number, -5);
    const Router* router = plant.router(7);
    ASSERT_NE(router, nullptr);
    EXPECT_EQ(router->crosspoints, (std::vector<std::int32_t>{0, 2, 0, 0}));
    EXPECT_EQ(router->sourceText(2), "CAM 2");
    EXPECT_EQ(router->sourceText(3), "3");
    const Database* database = plant.database(-5, 1);
    ASSERT_NE(database, nullptr);
    EXPECT_EQ(database->entries.at(362), "12,3");
    EXPECT_EQ(database->entries.at(-1), "x");
}

TEST(PlantFileTest, PanelFolderDefaultsToThePath)
{
    EXPECT_EQ(parsePlant("path = \"panels\"", "p", "/x")->panelFolder, std::filesystem::path("/x/panels"));
    EXPECT_EQ(parsePlant("", "p", "/x")->panelFolder, std::filesystem::path("/x/"));
}

struct BadFile {
    const char* text;
    const char* message;  // the whole message, or its start
};

TEST(PlantFileTest, EachMistakeNamesItsLine)
{
    const std::vector<BadFile> cases = {
        {"path = 3", "plant.toml:1: path must be a text in quotes"},
        {"paht = \"x\"", "plant.toml:1: unknown key \"paht\" in the plant file (known keys: path, panel_folder, "
                         "device, router, database)"},
        {"[[device]]\nname = \"A\"\n", "plant.toml:1: [[device]] needs the key \"number\""},
        {"[[device]]\nname = \"A\"\nnumber = 0\n", "plant.toml:3: device.number must not be 0"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[device]]\nname = \"A\"\nnumber = 2\n",
         "plant.toml:5: the device \"A\" is declared twice"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[device]]\nname = \"B\"\nnumber = 1\n",
         "plant.toml:6: device number 1 is already used by \"A\""},
        {"[[device]]\nname = \"A\"\nnumber = 4294967296\n", "plant.toml:3: device.number must lie between"},
        {"device = \"A\"", "plant.toml:1: \"device\" must be written as [[device]] sections"},
        {"[[router]]\ndevice = \"X\"\nsources = 1\ndestinations = 1\n",
         "plant.toml:2: router.device names \"X\", which no [[device]] section declares"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[router]]\ndevice = \"A\"\nsources = 4\ndestinations = 2\n"
         "crosspoints = { 2 = 1 }\n",
         "plant.toml:8: router.crosspoints: destination 2 is outside 0..1"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[router]]\ndevice = \"A\"\nsources = 4\ndestinations = 2\n"
         "crosspoints = { 1 = 4 }\n",
         "plant.toml:8: router.crosspoints.1 must lie between 0 and 3, not 4"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[router]]\ndevice = \"A\"\nsources = 4\ndestinations = 0\n",
         "plant.toml:7: router.destinations must lie between 1 and"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[router]]\ndevice = \"A\"\nsources = 4\ndestinations = 2\n"
         "source_names = { one = \"x\" }\n",
         "plant.toml:8: router.source_names: the key \"one\" must be a number"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[database]]\ndevice = \"A\"\nnumber = 0\nentries = { 1 = 2 }\n",
         "plant.toml:7: database.entries.1 must be a text in quotes"},
        {"[[device]]\nname = \"A\"\nnumber = 1\n[[database]]\ndevice = \"A\"\nnumber = 0\n"
         "[[database]]\ndevice = \"A\"\nnumber = 0\n",
         "plant.toml:9: database 0 of \"A\" is declared twice"},
        {"[[device]]\nname = \"A\"\nnumber = 1\ncolour = \"red\"\n",
         "plant.toml:4: unknown key \"colour\" in [[device]]"},
        {"[[device]\n", "plant.toml:1: "},
        {"path = \"a\"\npath = \"b\"\n", "plant.toml:2: "},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.text);
        const auto load = parsePlant(bad.text, "plant.toml", "/x");
        ASSERT_FALSE(load);
        EXPECT_EQ(load.error().message.rfind(bad.message, 0), 0u) << load.error().message;
    }
}

TEST(PlantFileTest, AMissingFileIsSaidSo)
{
    EXPECT_EQ(loadPlantFile("/no/such/plant.toml").error().message, "/no/such/plant.toml: cannot be read: no such file");
}

TEST(PanelFileTest, ReadsControlsInFileOrderWithTheirProperties)
{
    const auto read = parsePanelFile("title = \"T\"\n[[control]]\nid = \"b\"\ntext = \"x\"\nselect = -1\n"
                                              "on = true\n[[control]]\nid = \"a\"\n",
                                              "p.vesk_ui");
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->title, "T");
    ASSERT_EQ(read->controls.size(), 2u);
    EXPECT_EQ(read->controls[0].id, "b");
    EXPECT_EQ(read->controls[0].properties,
              (std::map<std::string, std::string>{{"text", "x"}, {"select", "-1"}, {"on", "1"}}));
    EXPECT_EQ(read->controls[1].id, "a");
    EXPECT_TRUE(read->controls[1].properties.empty());
}

TEST(PanelFileTest, EachMistakeNamesItsLine)
{
    const std::vector<BadFile> cases = {
        {"title = \"T\"\n", "p.vesk_ui: a panel file needs at least one [[control]] section"},
        {"[[control]]\ntext = \"x\"\n", "p.vesk_ui:1: [[control]] needs the key \"id\""},
        {"[[control]]\nid = \"\"\n", "p.vesk_ui:2: control.id must not be empty"},
        {"[[control]]\nid = \"a\"\n[[control]]\nid = \"a\"\n", "p.vesk_ui:4: the control \"a\" is declared twice"},
        {"[[control]]\nid = \"a\"\nsize = 1.5\n", "p.vesk_ui:3: property \"size\" of \"a\" must be a text"},
        {"[[control]]\nid = \"a\"\n\"x=y\" = \"1\"\n", "p.vesk_ui:3: a property name is not empty"},
        {"colour = 1\n", "p.vesk_ui:1: unknown key \"colour\" in the panel file"},
        {"[[control]]\nid = \"a\"\n[control.sub]\nx = 1\n", "p.vesk_ui:3: property \"sub\" of \"a\" must be"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.text);
        const auto read = parsePanelFile(bad.text, "p.vesk_ui");
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().message.rfind(bad.message, 0), 0u) << read.error().message;
    }
}

TEST(PlantLookupTest, IndexesKeepUpWithTheListsAndKeepPairsApart)
{
    Plant plant;
    plant.devices.push_back(Device{"SDI", 7, {"SDI B"}});
    plant.devices.push_back(Device{"SDI", 9, {}});  // a second "SDI": the first one answers
    EXPECT_EQ(plant.deviceByName("SDI")->number, 7);
    EXPECT_EQ(plant.deviceByName("SDI B")->number, 7);
    EXPECT_EQ(plant.deviceByNumber(9)->name, "SDI");
    EXPECT_EQ(plant.deviceByName("sdi"), nullptr);
    EXPECT_EQ(plant.deviceByNumber(0), nullptr);

    // Appended after the first lookup: found all the same.
    plant.devices.push_back(Device{"Audio", 8, {}});
    plant.routers.push_back(Router{});
    plant.routers.back().device = 8;
    EXPECT_EQ(plant.deviceByName("Audio")->number, 8);
    ASSERT_NE(plant.router(8), nullptr);
    EXPECT_EQ(plant.router(7), nullptr);

    // Databases are told apart by device and number together, negative
    // numbers included.
    const std::pair<std::int32_t, std::int32_t> keys[] = {{1, -1}, {-1, 1}, {0, -1}, {-1, -1}, {0, 0}, {1, 0}};
    for (const auto& [device, number] : keys)
        plant.databases.push_back(Database{device, number, {{1, std::to_string(device) + "/" + std::to_string(number)}}});
    for (const auto& [device, number] : keys) {
        const Database* database = plant.database(device, number);
        ASSERT_NE(database, nullptr) << device << " " << number;
        EXPECT_EQ(database->entries.at(1), std::to_string(device) + "/" + std::to_string(number));
    }
    EXPECT_EQ(plant.database(-1, 0), nullptr);

    // Lists that shrank are indexed anew rather than read past their end.
    plant.devices.clear();
    plant.devices.push_back(Device{"Names", 11, {}});
    EXPECT_EQ(plant.deviceByName("SDI"), nullptr);
    EXPECT_EQ(plant.deviceByNumber(11)->name, "Names");

    // A copy answers from its own lists.
    const Plant copy = plant;
    EXPECT_EQ(copy.deviceByNumber(11), &copy.devices[0]);
    EXPECT_EQ(copy.describeDevice(11), "\"Names\" (device 11)");
    EXPECT_EQ(copy.describeDevice(12), "device 12");
}

} // namespace
