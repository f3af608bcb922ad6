// The validator's child mode: each child reports through its channel, and
// a script's C++ layout is learned in a child.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "abi/script_abi.h"
#include "plant/plant_file.h"
#include "validator/channel.h"
#include "validator/runner.h"

using namespace vesk_host;

namespace {

class Collected final : public vesk_host::validator::RecordSink {
public:
    vesk_host::validator::RecordReader reader{50};
    void write(const std::string& bytes) override { reader.feed(bytes.data(), bytes.size()); }
};

vesk_host::validator::CheckSetup rigVueSetup()
{
    vesk_host::validator::CheckSetup setup;
    setup.library = RIG_VUE_LIBRARY;
    setup.plant = *loadPlantFile(EXAMPLES_DIR "/plant.toml");
    setup.abi = ownAbi();
    return setup;
}

} // namespace

TEST(ChildModeTest, EachChildReportsThroughItsChannel)
{
    using namespace vesk_host::validator;
    const CheckSetup setup = rigVueSetup();
    struct Row {
        const char* id;
        bool known;
        std::vector<std::string> details;
        std::string firstLine;
    };
    const std::vector<Row> rows = {
        {"codes.7", true, {}, "host > script  load_vesk_client_script(host, \"panels\")"},
        {probeChildId, true, {}, ""},
        {learnChildId, true, {abiKindName(ownAbi())}, ""},
        {"no.such-check", false, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        Collected sink;
        EXPECT_EQ(runChild(row.id, setup, sink), row.known);
        EXPECT_EQ(sink.reader.finished(), row.known);
        EXPECT_FALSE(sink.reader.garbled());
        EXPECT_EQ(sink.reader.result().status, CheckStatus::pass);
        // The learning also says how it learned, where there was anything to learn.
        const auto& details = sink.reader.result().details;
        EXPECT_EQ(std::vector<std::string>(details.begin(), details.begin() + std::min(details.size(), std::size_t{1})),
                  row.details);
        EXPECT_EQ(sink.reader.lastLines().empty() ? std::string() : sink.reader.lastLines().front(), row.firstLine);
    }
}

TEST(ChildModeTest, TheLayoutIsLearnedInAChild)
{
    using namespace vesk_host::validator;
    CheckSetup setup = rigVueSetup();
    setup.abi = std::nullopt;
    RunSettings settings;
    // Children that are this program started again belong to vesk_host, not to the tests.
    settings.inProcess = !childrenByFork();
    const LearnedAbi learned = learnAbi(setup, settings);
    EXPECT_EQ(learned.kind, ownAbi()) << learned.error;
    setup.library = FAULTY_NO_EXPORT;
    const LearnedAbi none = learnAbi(setup, settings);
    EXPECT_FALSE(none.kind);
    EXPECT_NE(none.error.find("does not export load_vesk_client_script"), std::string::npos) << none.error;
}

