// "PS" reads a panel file only from inside the panel folder, by real path,
// and says why a file cannot be loaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/command_executor.h"
#include "commands/command_parser.h"
#include "plant/panels.h"
#include "plant/revertive_queue.h"
#include "plant/timers.h"
#include "testing/repeat.h"
#include "testing/temp_folder.h"

using namespace vesk_host;

namespace {

// Symbolic links, FIFOs and devices as POSIX systems have them.
#if !defined(_WIN32)
class PanelLoadTest : public ::testing::Test {
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

TEST_F(PanelLoadTest, PanelFilesAreReadOnlyFromInsideThePanelFolderByRealPath)
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

#endif

} // namespace
