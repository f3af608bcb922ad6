// The watches that stand between the script and the process: the heap
// watch counts the script's blocks and stops the frees that would make the
// C library abort; the record arena closes a record's slot by the next event.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "traps/heap_watch.h"
#include "traps/tests/host_side.h"
#include "traps/record_arena.h"

using namespace vesk_host;

namespace {

// Allocation through a pointer the optimiser cannot see through.
void* (*volatile allocate)(std::size_t) = std::malloc;
void (*volatile release)(void*) = std::free;

TEST(HeapWatchTest, CountsTheScriptsBlocksOnly)
{
    if (!heap::watching())
        GTEST_SKIP() << "the heap is not watched in this build";
    const std::int64_t start = heap::scriptNet();
    void* hosts = allocate(100);
    EXPECT_EQ(heap::scriptNet(), start) << "a host allocation was counted";
    void* scripts = nullptr;
    void* hostInside = nullptr;
    {
        heap::ScriptScope script;
        scripts = allocate(40);
        heap::HostScope host;
        hostInside = allocate(24);
    }
    EXPECT_EQ(heap::scriptNet(), start + 40);
    EXPECT_EQ(heap::scriptBlock(scripts), 40u);
    EXPECT_EQ(heap::scriptBlock(hosts), std::nullopt);
    EXPECT_EQ(heap::scriptBlock(hostInside), std::nullopt);
    {
        heap::ScriptScope script;
        release(scripts);
    }
    EXPECT_EQ(heap::scriptNet(), start);
    EXPECT_EQ(heap::scriptBlock(scripts), std::nullopt);
    release(hosts);
    release(hostInside);
}

TEST(HeapWatchTest, BadFreesAreToldAndSkipped)
{
    if (!heap::watching())
        GTEST_SKIP() << "the heap is not watched in this build";
    HostSide host;
    const heap::FreeGuard before = heap::setFreeGuard({HostSide::isHostText, HostSide::report, &host});
    {
        heap::ScriptScope script;
        release(host.text);  // a host text: glibc would abort on it
        void* block = allocate(32);
        release(block);
        release(block);  // twice: glibc would abort on it
        release(nullptr);
    }
    heap::setFreeGuard(before);
    EXPECT_EQ(host.told, (std::vector<std::string>{"host text", "twice"}));
    EXPECT_STREQ(host.text, "21") << "the host's text was touched";
}

TEST(RecordArenaTest, ASlotClosesWithinThirtyTwoRecords)
{
    RecordArena arena;
    char* first = arena.take("a control event");
    if (!first)
        GTEST_SKIP() << "no record arena on this platform";
    char label[64] = "";
    EXPECT_FALSE(recordFault(first, label, sizeof label)) << "open while its half is in use";
    first[0] = 1;  // writable while open
    int taken = 1;
    while (!recordFault(first, label, sizeof label) && taken < 100) {
        char* next = arena.take("a revertive");
        ASSERT_NE(next, nullptr);
        next[RecordArena::slotSize - 1] = 1;
        ++taken;
    }
    EXPECT_LE(taken, 33) << "a kept record stayed open for " << taken - 1 << " more records";
    EXPECT_STREQ(label, "a control event");
    static const char elsewhere[] = "x";
    EXPECT_FALSE(recordFault(elsewhere, label, sizeof label));
}

} // namespace
