// The fan-out to open pages: sequence numbers, what a page that fell behind
// is told, the bound on what is held (in messages and in bytes), batches
// cut to a size, and the listener that wakes the server.
#include <gtest/gtest.h>

#include <atomic>

#include "web/broadcast.h"

using namespace vesk_host::web;

TEST(Broadcast, EachPageGetsWhatCameAfterItsLastMessage)
{
    Broadcast broadcast(3);
    EXPECT_EQ(broadcast.last(), 0u);
    EXPECT_EQ(broadcast.publish("a"), 1u);
    EXPECT_EQ(broadcast.publish("b"), 2u);
    auto batch = broadcast.after(0);
    EXPECT_EQ(batch.messages, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(batch.last, 2u);
    batch = broadcast.after(2);
    EXPECT_TRUE(batch.messages.empty());
    EXPECT_EQ(batch.last, 2u);
    broadcast.publish("c");
    broadcast.publish("d");
    broadcast.publish("e");
    batch = broadcast.after(1);
    EXPECT_TRUE(batch.lost);  // "b" is no longer held
    EXPECT_EQ(batch.last, 5u);
    batch = broadcast.after(2);
    EXPECT_FALSE(batch.lost);
    EXPECT_EQ(batch.messages, (std::vector<std::string>{"c", "d", "e"}));
}

TEST(Broadcast, HoldsAtMostItsBytesButAlwaysTheNewestMessage)
{
    Broadcast broadcast(1000, 10);
    broadcast.publish("1234");
    broadcast.publish("5678");
    EXPECT_EQ(broadcast.heldBytes(), 8u);
    broadcast.publish("abcd");  // 12 bytes: the first goes
    EXPECT_EQ(broadcast.heldBytes(), 8u);
    EXPECT_TRUE(broadcast.after(0).lost);
    EXPECT_EQ(broadcast.after(1).messages, (std::vector<std::string>{"5678", "abcd"}));
    broadcast.publish(std::string(50, 'x'));  // larger than the bound: held alone
    EXPECT_EQ(broadcast.heldBytes(), 50u);
    EXPECT_EQ(broadcast.after(3).messages.size(), 1u);
    EXPECT_TRUE(broadcast.after(2).lost);
}

TEST(Broadcast, CutsABatchToTheBytesAskedForButSendsAtLeastOne)
{
    Broadcast broadcast;
    broadcast.publish("aaaa");
    broadcast.publish("bbbb");
    broadcast.publish("cccc");
    auto batch = broadcast.after(0, 9);
    EXPECT_EQ(batch.messages, (std::vector<std::string>{"aaaa", "bbbb"}));
    EXPECT_EQ(batch.last, 2u);
    batch = broadcast.after(0, 1);
    EXPECT_EQ(batch.messages, (std::vector<std::string>{"aaaa"}));
    EXPECT_EQ(batch.last, 1u);
}

TEST(Broadcast, CallsItsListenerOnEveryMessageAndOnClose)
{
    Broadcast broadcast;
    std::atomic<int> calls{0};
    broadcast.setListener([&] {
        // The listener may read the broadcast: it is called outside the lock.
        EXPECT_GE(broadcast.last(), 0u);
        ++calls;
    });
    broadcast.publish("news");
    broadcast.publish("more");
    EXPECT_EQ(calls, 2);
    broadcast.close();
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(broadcast.after(2).closed);
}
