// Timers as "ET" and the clock move them, and ticks an event storm dropped.
#include <gtest/gtest.h>

#include <string>

#include "plant/timers.h"

using namespace vesk_host;

namespace {

TEST(TimersTest, TicksDroppedInAStormDoNotLagBehindTheClock)
{
    Timers timers;
    timers.start(1, 1);
    timers.start(2, 7);
    // An event storm dropped every tick; the clock went on to 60000.
    timers.setNow(60000);
    const auto list = timers.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 1);
    EXPECT_EQ(list[0].due, 60000);
    EXPECT_EQ(list[1].id, 2);
    EXPECT_EQ(list[1].due, 60004);  // 7 ms steps from 7: the first at or after 60000
}

// Timers as "ET" and the clock move them: a restart takes its place at the
// back of the start order, ticks due together go in start order, and the
// clock never goes back.
TEST(TimersTest, StartStopRearmAndTheClockKeepTickOrder)
{
    auto order = [](const Timers& timers) {
        std::string out;
        for (const RunningTimer& timer : timers.list())
            out += (out.empty() ? "" : " ") + std::to_string(timer.id) + "@" + std::to_string(timer.due);
        return out;
    };
    Timers timers;
    EXPECT_FALSE(timers.next());
    EXPECT_FALSE(timers.stop(1));
    timers.start(1, 100);
    timers.start(2, 50);
    timers.start(3, 100);
    EXPECT_EQ(order(timers), "2@50 1@100 3@100");
    timers.start(1, 100);  // restarted: now after 3 among the ticks at 100
    EXPECT_EQ(order(timers), "2@50 3@100 1@100");
    EXPECT_EQ(timers.next()->id, 2);
    timers.rearm(2);
    EXPECT_EQ(order(timers), "2@100 3@100 1@100");  // a tick keeps its timer's place
    EXPECT_TRUE(timers.stop(3));
    EXPECT_FALSE(timers.running(3));
    EXPECT_TRUE(timers.running(1));
    timers.setNow(100);
    timers.setNow(40);  // never backwards
    EXPECT_EQ(timers.now(), 100);
    EXPECT_EQ(order(timers), "2@100 1@100");
    timers.setNow(101);  // both ticks left behind: each moves to its first one from now
    EXPECT_EQ(order(timers), "2@150 1@200");
    timers.start(4, 2147483647);
    EXPECT_EQ(timers.list().back().due, 101 + 2147483647LL);
}

} // namespace
