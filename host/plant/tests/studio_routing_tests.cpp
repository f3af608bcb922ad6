// A router shared by the positions of a studio: who hears a take, in what
// order, and what one position's registering or unregistering leaves of
// the others'.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/memory_budget.h"
#include "plant/revertive_queue.h"
#include "plant/routing.h"
#include "plant/timers.h"

using namespace vesk_host;

namespace {

Router sixDestinations()
{
    Router router;
    router.device = 21;
    router.sources = 4;
    router.destinations = 6;
    router.crosspoints.assign(6, 0);
    router.sourceNames[1] = "CAM 1";
    return router;
}

// "position:index=text", in queue order.
std::string drain(RevertiveQueue& queue)
{
    std::string out;
    while (!queue.empty()) {
        const PendingRevertive next = queue.pop();
        out += (out.empty() ? "" : ",") + std::to_string(next.position) + ":" + std::to_string(next.index) + "=" +
               next.text;
    }
    return out;
}

struct Registering {
    int position;
    std::int32_t first;
    std::int32_t last;
    bool add;
};

struct FanOutCase {
    const char* name;
    std::vector<Registering> registrations;
    std::vector<int> unregistered;  // positions that then send "RU"
    std::int32_t destination;
    const char* heard;
};

// A take reaches each registered position once, in the order the
// registrations were made; RU and a replacing RR touch only the sender's.
TEST(StudioRoutingTest, ATakeReachesEveryRegisteredPositionInRegistrationOrder)
{
    const std::vector<FanOutCase> cases = {
        {"one position", {{0, 2, 2, false}}, {}, 2, "0:2=CAM 1"},
        {"registration order, not position order", {{2, 2, 2, false}, {0, 2, 2, false}, {1, 0, 5, false}}, {}, 2,
         "2:2=CAM 1,0:2=CAM 1,1:2=CAM 1"},
        {"overlapping ranges of one position hear it once", {{1, 0, 3, false}, {1, 2, 2, true}, {0, 2, 4, false}}, {},
         2, "1:2=CAM 1,0:2=CAM 1"},
        {"outside every range", {{0, 0, 1, false}, {1, 3, 5, false}}, {}, 2, ""},
        {"RU of one leaves the other", {{0, 2, 2, false}, {1, 2, 2, false}}, {0}, 2, "1:2=CAM 1"},
        {"RU of both", {{0, 2, 2, false}, {1, 2, 2, false}}, {1, 0}, 2, ""},
        {"RU of a position that never registered", {{0, 2, 2, false}}, {3}, 2, "0:2=CAM 1"},
        {"a replacing RR drops only the sender's own", {{0, 2, 2, false}, {1, 2, 2, false}, {0, 4, 4, false}}, {}, 2,
         "1:2=CAM 1"},
        {"re-registering moves the position to the end", {{0, 2, 2, false}, {1, 2, 2, false}, {0, 2, 2, false}}, {},
         2, "1:2=CAM 1,0:2=CAM 1"},
        {"an added range keeps the first place", {{0, 2, 2, false}, {1, 2, 2, false}, {0, 3, 3, true}}, {}, 2,
         "0:2=CAM 1,1:2=CAM 1"},
    };
    for (const FanOutCase& c : cases) {
        SCOPED_TRACE(c.name);
        Router router = sixDestinations();
        for (const Registering& r : c.registrations)
            registerDestinations(router, r.position, r.first, r.last, r.add);
        for (const int position : c.unregistered)
            unregisterDestinations(router, position);
        RevertiveQueue queue;
        takeCrosspoint(router, 1, c.destination, queue);
        EXPECT_EQ(drain(queue), c.heard);
        EXPECT_EQ(router.crosspoints[static_cast<std::size_t>(c.destination)], 1);
        // The same take again is heard again by the same positions.
        takeCrosspoint(router, 1, c.destination, queue);
        EXPECT_EQ(drain(queue), c.heard);
    }
}

// A poll answers only the position that asked; dropping one position's
// queued revertives refunds the budget and keeps the others' in order.
TEST(StudioRoutingTest, PollsGoToTheAskerAndDroppingKeepsTheOthers)
{
    Router router = sixDestinations();
    router.crosspoints[2] = 1;
    MemoryBudget budget(1 << 20);
    RevertiveQueue queue(&budget);
    EXPECT_EQ(pollDestinations(router, 2, 2, queue, 1), 1);
    EXPECT_EQ(pollDestinations(router, 0, 1, queue, 0), 2);
    EXPECT_EQ(pollDestinations(router, 2, 3, queue, 1), 2);
    EXPECT_EQ(queue.dropFor(0), 2u);
    EXPECT_EQ(queue.dropFor(0), 0u);
    EXPECT_EQ(queue.dropFor(5), 0u);
    EXPECT_EQ(drain(queue), "1:2=CAM 1,1:2=CAM 1,1:3=0");
    EXPECT_EQ(budget.used(), 0u);
}

// Timer 1 of one position is not timer 1 of another: each starts, stops and
// ticks its own, on the one clock.
TEST(StudioTimersTest, EachPositionHasItsOwnTimersOnOneClock)
{
    Timers timers;
    timers.start(1, 100, 0);
    timers.start(1, 30, 1);
    timers.start(2, 50, 1);
    EXPECT_TRUE(timers.running(1, 0));
    EXPECT_TRUE(timers.running(1, 1));
    EXPECT_FALSE(timers.running(2, 0));
    EXPECT_FALSE(timers.stop(2, 0));  // the other position's timer 2 runs on
    EXPECT_TRUE(timers.running(2, 1));

    auto next = timers.next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->position, 1);
    EXPECT_EQ(next->id, 1);
    timers.rearm(1, 1);
    EXPECT_EQ(timers.next()->id, 2);  // 1 of position 1 is now due at 60
    EXPECT_TRUE(timers.stop(1, 1));
    EXPECT_TRUE(timers.running(1, 0));

    timers.stopAll(1);
    EXPECT_FALSE(timers.running(2, 1));
    ASSERT_EQ(timers.list().size(), 1u);
    EXPECT_EQ(timers.list().front().position, 0);
}

} // namespace
