// The run's memory budget: a charge past the limit is refused, charges
// nothing and says what was too big; refunds give back what was charged.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/memory_budget.h"

using namespace vesk_host;

namespace {

TEST(MemoryBudgetTest, ChargesAreRefusedPastTheLimitAndSayWhat)
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

TEST(MemoryBudgetTest, AChargeUpToTheLimitExactlyIsTaken)
{
    struct Case {
        std::uint64_t held;
        std::uint64_t charged;
        bool taken;
    };
    const std::vector<Case> cases = {
        {0, 1024, true},
        {0, 1025, false},
        {1000, 24, true},
        {1000, 25, false},
        {1024, 0, true},
        {1024, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.held) + " held, " + std::to_string(c.charged) + " more");
        MemoryBudget budget(1024);
        ASSERT_TRUE(budget.charge("held", c.held));
        const Status charged = budget.charge("more", c.charged);
        EXPECT_EQ(charged.ok(), c.taken);
        EXPECT_EQ(budget.used(), c.held + (c.taken ? c.charged : 0));
        if (!charged) {
            EXPECT_EQ(charged.error().kind, ErrorKind::overBudget);
        }
    }
}

} // namespace
