// The docs' command and step tables are the tables in the code, row for row.
#include <gtest/gtest.h>

#include <string>

#include "command_table.h"
#include "files.h"
#include "session_steps.h"

using namespace vesk_host;

namespace {

TEST(DocsTest, TheCommandAndStepTablesAreTheCodes)
{
    const auto docs = readWholeFile(DOCS_DIR "/host_emulator.md");
    ASSERT_TRUE(docs);
    EXPECT_NE(docs->find(commandTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this command table:\n" << commandTableMarkdown();
    EXPECT_NE(docs->find(stepTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this steps table:\n" << stepTableMarkdown();
}

} // namespace
