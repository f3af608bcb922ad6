// Polls and takes on a router, within the router and the memory budget.
#include <gtest/gtest.h>

#include <string>

#include "base/memory_budget.h"
#include "plant/revertive_queue.h"
#include "plant/routing.h"

using namespace vesk_host;

namespace {

// Polls and takes on a router: a poll reads only destinations the router
// has, reports each registered or not, and stops where the memory budget
// does, saying so once; a take reports only a registered destination.
TEST(RoutingTest, PollsStayWithinTheRouterAndTheBudget)
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
