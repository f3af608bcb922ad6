// The docs' tables of commands, steps, rules, checks and exit codes are the
// tables in the code, row for row.
#include <gtest/gtest.h>

#include <string>

#include "app/exit_codes.h"
#include "base/files.h"
#include "commands/command_table.h"
#include "events/rules.h"
#include "session/session_steps.h"
#include "validator/checks.h"

using namespace vesk_host;

namespace {

TEST(DocsTest, TheTablesAreTheCodes)
{
    const auto docs = readWholeFile(DOCS_DIR "/host_emulator.md");
    ASSERT_TRUE(docs);
    EXPECT_NE(docs->find(commandTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this command table:\n" << commandTableMarkdown();
    EXPECT_NE(docs->find(stepTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this steps table:\n" << stepTableMarkdown();
    EXPECT_NE(docs->find(ruleTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this rules table:\n" << ruleTableMarkdown();
    EXPECT_NE(docs->find(validator::checkTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this checks table:\n" << validator::checkTableMarkdown();
    EXPECT_NE(docs->find(exitCodeTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this exit codes table:\n" << exitCodeTableMarkdown();
    EXPECT_NE(docs->find(validateExitCodeTableMarkdown()), std::string::npos)
        << "docs/host_emulator.md must hold this table of validate's exit codes:\n" << validateExitCodeTableMarkdown();
}

} // namespace
