// The page's action queue: one job at a time, in order, on one thread that
// is not the caller's; a full queue refuses at once; stopping drops what waits.
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "web/action_queue.h"

using vesk_host::web::ActionQueue;

TEST(ActionQueue, RunsJobsInOrderOnOneThreadOfItsOwn)
{
    std::vector<int> ran;
    std::vector<std::thread::id> on;
    std::promise<void> last;
    {
        ActionQueue queue(8);
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(queue.push([&, i] {
                ran.push_back(i);
                on.push_back(std::this_thread::get_id());
                if (i == 4)
                    last.set_value();
            }));
        ASSERT_EQ(last.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    }
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
    ASSERT_EQ(on.size(), 5u);
    for (const std::thread::id& id : on) {
        EXPECT_EQ(id, on.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(ActionQueue, AFullQueueRefusesAndStoppingDropsWhatWaits)
{
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int waitingRan = 0;
    ActionQueue queue(2);
    ASSERT_TRUE(queue.push([&] {
        started.set_value();
        released.wait();
    }));
    ASSERT_EQ(started.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_TRUE(queue.push([&] { ++waitingRan; }));
    EXPECT_TRUE(queue.push([&] { ++waitingRan; }));
    EXPECT_FALSE(queue.push([&] { ++waitingRan; })) << "a third job waited behind a queue of two";
    EXPECT_EQ(queue.waiting(), 2u);
    std::thread stopper([&] { queue.stop(); });
    // stop() waits for the running job, then drops the two waiting.
    while (queue.waiting() != 0)
        std::this_thread::yield();
    release.set_value();
    stopper.join();
    EXPECT_EQ(waitingRan, 0);
    EXPECT_FALSE(queue.push([] {})) << "a stopped queue took a job";
}

TEST(ActionQueue, AQueueNeverUsedStopsAtOnce)
{
    ActionQueue queue(1);
    queue.stop();
    EXPECT_FALSE(queue.push([] {}));
}
