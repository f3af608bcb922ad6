// Every command executed against a small plant: the reply handed out, the
// revertives queued and the warning given, in order (state carries on
// from one row to the next).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/command_executor.h"
#include "commands/command_parser.h"
#include "plant/plant_file.h"
#include "testing/temp_folder.h"

using namespace vesk_host;

namespace {

struct Row {
    const char* command;
    const char* reply;  // "null", "status N" or "=text"
    const Rule* warning;
    std::vector<std::string> revertives;  // "device index text"
};

std::string shown(const Reply& reply)
{
    switch (reply.kind) {
    case Reply::Kind::null: return "null";
    case Reply::Kind::status: return "status " + std::to_string(reply.status);
    case Reply::Kind::text: return "=" + reply.text;
    case Reply::Kind::word: return "word " + reply.text;
    }
    return "";
}

class ExecutorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = uniqueTempFolder("vesk_host_executor");
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(EXAMPLES_DIR "/panels/Rig_Vue.vesk_ui", folder / "Rig_Vue.vesk_ui",
                                   std::filesystem::copy_options::overwrite_existing);
        std::ofstream(folder / "broken.vesk_ui") << "[[control]]\nid = 5\n";
        auto load = parsePlant("path = \"panels\"\npanel_folder = \"" + folder.generic_string() +
                                        "\"\n"
                                        "[[device]]\nname = \"XPTS\"\nnumber = 5\n"
                                        "[[device]]\nname = \"SDI\"\nnumber = 7\n"
                                        "[[router]]\ndevice = \"SDI\"\nsources = 10\ndestinations = 4\n"
                                        "source_names = { 2 = \"CAM 2\" }\ncrosspoints = { 1 = 2 }\n"
                                        "[[database]]\ndevice = \"XPTS\"\nnumber = 0\nentries = { 1 = \"5,2\" }\n",
                                    "plant.toml", "/");
        ASSERT_TRUE(load) << load.error().message;
        plant = std::move(*load);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void check(const std::vector<Row>& rows)
    {
        EventBus events;
        CommandContext context{plant, panels, timers, queue, events};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.command);
            const auto parse = parseCommand(row.command);
            ASSERT_TRUE(parse) << parse.error().message;
            const Execution execution = execute(context, *parse);
            EXPECT_EQ(shown(execution.reply), row.reply);
            if (row.warning) {
                ASSERT_EQ(execution.findings.size(), 1u);
                EXPECT_EQ(execution.findings[0].rule, row.warning) << execution.findings[0].message;
            } else {
                EXPECT_TRUE(execution.findings.empty()) << execution.findings[0].message;
            }
            std::vector<std::string> revertives;
            while (!queue.empty()) {
                const PendingRevertive pending = queue.pop();
                revertives.push_back(std::to_string(pending.device) + " " + std::to_string(pending.index) + " " +
                                     pending.text);
            }
            EXPECT_EQ(revertives, row.revertives);
        }
    }

    std::filesystem::path folder;
    Plant plant;
    Panels panels;
    Timers timers;
    RevertiveQueue queue;
};

TEST_F(ExecutorTest, DevicesAndDatabases)
{
    check({
        {"SD 'SDI'", "=7", nullptr, {}},
        {"SD 'sdi'", "null", nullptr, {}},
        {"SD ''", "null", nullptr, {}},
        {"RN 5 0 1", "=5,2", nullptr, {}},
        {"RN 5 0 9", "null", nullptr, {}},
        {"RN 5 4 1", "null", &rule::unknownDatabase, {}},
        {"RN 99 0 1", "null", &rule::unknownDevice, {}},
        {"AS", "null", nullptr, {}},
    });
}

TEST_F(ExecutorTest, PanelsAndProperties)
{
    check({
        {"XI '1' 'Audio'", "null", &rule::unknownPanel, {}},
        {"PS '1' 'panels/missing.vesk_ui'", "status 0", &rule::panelLoadFailed, {}},
        {"PS '1' 'panels/broken.vesk_ui'", "status 0", &rule::panelLoadFailed, {}},
        {"PS '1' 'panels/../plant.toml'", "status 0", &rule::panelLoadFailed, {}},
        {"PS '1' '/etc/passwd'", "status 0", &rule::panelLoadFailed, {}},
        {"PS '1' 'panels/'", "status 0", &rule::panelLoadFailed, {}},
        {"PS '1' 'panels/Rig_Vue.vesk_ui'", "status 1", nullptr, {}},
        {"PS '2' 'Rig_Vue.vesk_ui' 'third'", "status 1", nullptr, {}},
        {"XI '1' 'Audio'", "=Audio_Mon,AudioEnable", nullptr, {}},
        {"XI '1' 'zz'", "null", nullptr, {}},
        {"XI '1' ''", "=Sources,WFM_Mon,Audio_Mon,VideoEnable,AudioEnable,video_source,audio_source", nullptr, {}},
        {"TP 'text=CAM 9=x' '1' 'video_source'", "null", nullptr, {}},
        {"TG '1' 'video_source' 'text'", "=text=CAM 9=x", nullptr, {}},
        {"TG '2' 'video_source' 'text'", "=text=", nullptr, {}},
        {"TG '1' 'video_source' 'colour'", "=colour=", nullptr, {}},
        {"TG '1' 'WFM_Mon' 'all'", "=text=WFM\ntype=button", nullptr, {}},
        {"TP 'select' '1' 'Sources'", "null", &rule::assignmentWithoutEquals, {}},
        {"TP 'a=b' '1' 'Nope'", "null", &rule::unknownControl, {}},
        {"TP 'a=b' '3' 'Sources'", "null", &rule::unknownPanel, {}},
        {"TG '1' 'Nope' 'text'", "null", &rule::unknownControl, {}},
    });
    EXPECT_EQ(panels.find("1")->control("video_source")->properties.at("text"), "CAM 9=x");
}

TEST_F(ExecutorTest, RoutesRegistrationsAndPolls)
{
    check({
        {"RC 7 3 1 ',' 0", "null", nullptr, {}},
        {"RR 7 1 1", "null", nullptr, {}},
        {"RC 7 3 1 ',' 0", "null", nullptr, {"7 1 3"}},
        {"RC 7 3 1 ',' 0", "null", nullptr, {"7 1 3"}},
        {"RC 7 3 2 ',' 0", "null", nullptr, {}},
        {"RC 7 10 1 ',' 0", "null", &rule::indexOutOfRange, {}},
        {"RC 7 3 4 ',' 0", "null", &rule::indexOutOfRange, {}},
        {"RC 7 -1 1 ',' 0", "null", &rule::indexOutOfRange, {}},
        {"RC 5 1 1 ',' 0", "null", &rule::unknownDevice, {}},
        {"RC 0 1 1 ',' 0", "null", &rule::unknownDevice, {}},
        {"RP 7 0 3", "null", nullptr, {"7 0 0", "7 1 3", "7 2 3", "7 3 0"}},
        {"RP 7 -5 0", "null", nullptr, {"7 0 0"}},
        {"RP 7 3 1", "null", &rule::indexOutOfRange, {}},
        {"RP 7 5 2147483647", "null", &rule::indexOutOfRange, {}},
        {"RR 7 2 3 'ADD'", "null", nullptr, {}},
        {"RC 7 2 2 ',x' 1", "null", nullptr, {"7 2 CAM 2"}},
        {"RC 7 2 1 ',' 0", "null", nullptr, {"7 1 CAM 2"}},
        {"RR 7 3 3", "null", nullptr, {}},
        {"RC 7 2 1 ',' 0", "null", nullptr, {}},
        {"RR 7 9 9", "null", &rule::indexOutOfRange, {}},
        {"RU 7", "null", nullptr, {}},
        {"RC 7 2 3 ',' 0", "null", nullptr, {}},
        {"RU 8", "null", &rule::unknownDevice, {}},
    });
}

TEST_F(ExecutorTest, Timers)
{
    check({
        {"ET 1 250", "null", nullptr, {}},
        {"ET 2 100", "null", nullptr, {}},
        {"ET 1", "null", nullptr, {}},
        {"ET 3 0", "null", nullptr, {}},
        {"ET 2 -5", "null", &rule::negativeInterval, {}},
    });
    EXPECT_FALSE(timers.running(1));
    EXPECT_FALSE(timers.running(2));
    EXPECT_FALSE(timers.running(3));
}

} // namespace
