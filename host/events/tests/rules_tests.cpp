// The rule table: every rule once, named and described, and a description
// that cites a limit cites the limit the host keeps.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/text_util.h"
#include "events/host_limits.h"
#include "events/rules.h"

using namespace vesk_host;

namespace {

TEST(RulesTest, EveryRuleHasOneNameAndADescription)
{
    std::set<std::string> names;
    for (const Rule* rule : allRules()) {
        SCOPED_TRACE(rule->name);
        EXPECT_TRUE(names.insert(rule->name).second) << "named twice";
        EXPECT_EQ(std::string(rule->name).find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string::npos);
        ASSERT_FALSE(rule->description.empty());
        EXPECT_EQ(rule->description.back(), '.');
    }
    EXPECT_EQ(allRules().front(), &rule::releaseUnknown);
    EXPECT_EQ(allRules().back(), &rule::slowCall);
}

TEST(RulesTest, DescriptionsCiteTheLimitsTheHostKeeps)
{
    struct Case {
        const Rule* rule;
        std::string cited;
    };
    const std::vector<Case> cases = {
        {&rule::commandTooLong, "within " + std::to_string(maxScriptText) + " bytes"},
        {&rule::unterminatedAnswer, "within " + std::to_string(maxScriptText) + " bytes"},
        {&rule::eventStorm, "at most " + std::to_string(deliveryBudget) + " deliveries"},
        {&rule::slowCall, "within " + std::to_string(defaultSlowCallMilliseconds) + " ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule->name);
        EXPECT_NE(c.rule->description.find(c.cited), std::string::npos) << c.rule->description;
    }
}

TEST(RulesTest, TheDocsTableListsViolationsFirst)
{
    const std::string table = ruleTableMarkdown();
    EXPECT_EQ(table.rfind("| rule | kind | what it checks |\n|---|---|---|\n| `release-unknown` | violation |", 0), 0u);
    EXPECT_LT(table.rfind("| violation |"), table.find("| warning |"));
    std::size_t rows = 0;
    for (const char c : table)
        rows += c == '\n';
    EXPECT_EQ(rows, allRules().size() + 2);
}

} // namespace
