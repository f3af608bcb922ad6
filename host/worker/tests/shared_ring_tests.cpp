// The ring a forked worker writes its records into: what is appended comes
// out whole and in order across the wrap, a full ring takes what fits now
// or waits (waking its reader) for room, and what was published is there
// for the reader whether or not the writer goes on.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "worker/shared_ring.h"

namespace {

using vesk_host::worker::SharedRing;

TEST(SharedRingTest, BytesComeOutWholeAndInOrderAcrossTheWrap)
{
    auto ring = SharedRing::make(64);
    if (!ring)
        GTEST_SKIP() << "no shared memory here";
    std::string out;
    std::string in;
    for (int round = 0; round < 50; ++round) {
        const std::string piece = "record " + std::to_string(round) + ";";
        in += piece;
        EXPECT_EQ(ring->appendNow(piece.data(), piece.size()), piece.size());
        if (round % 3 == 2)
            ring->take(out);
    }
    ring->take(out);
    EXPECT_EQ(out, in);
    EXPECT_EQ(ring->take(out), 0u);
}

TEST(SharedRingTest, AFullRingTakesWhatFitsNowAndSaysWhenHalfFull)
{
    auto ring = SharedRing::make(16);
    if (!ring)
        GTEST_SKIP() << "no shared memory here";
    EXPECT_FALSE(ring->halfFull());
    EXPECT_EQ(ring->appendNow("0123456789", 10), 10u);
    EXPECT_TRUE(ring->halfFull());
    EXPECT_EQ(ring->appendNow("abcdefghij", 10), 6u);
    EXPECT_EQ(ring->appendNow("x", 1), 0u);
    std::string out;
    EXPECT_EQ(ring->take(out), 16u);
    EXPECT_EQ(out, "0123456789abcdef");
}

TEST(SharedRingTest, AWriterWaitsForRoomAndWakesItsReader)
{
    auto ring = SharedRing::make(32);
    if (!ring)
        GTEST_SKIP() << "no shared memory here";
    const std::string in(1000, 'q');
    std::string out;
    int wakes = 0;
    std::thread reader([&] {
        while (out.size() < in.size())
            ring->take(out);
    });
    ring->append(in.data(), in.size(), [&] {
        ++wakes;
        return true;
    });
    reader.join();
    EXPECT_EQ(out, in);
    EXPECT_GT(wakes, 0);
}

TEST(SharedRingTest, AWriterWhoseReaderIsGoneDropsTheRest)
{
    auto ring = SharedRing::make(8);
    if (!ring)
        GTEST_SKIP() << "no shared memory here";
    ring->append("0123456789abcdef", 16, [] { return false; });
    std::string out;
    ring->take(out);
    EXPECT_EQ(out, "01234567");
}

} // namespace
