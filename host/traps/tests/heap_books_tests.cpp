// The books of the script's blocks, as every allocator watch keeps them:
// what the script allocated and freed, a second free, a free of a host
// text, a realloc that moves or is refused. Kept on a plain allocator here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "traps/heap_books.h"
#include "traps/tests/host_side.h"

using namespace vesk_host;

namespace {

// The books' own storage is the host's, never counted as the script's
// (where the test program's allocator is itself watched). In the emulator
// the books live as long as the process and never give their storage back;
// here each test's storage is freed when the test ends.
struct PlainHeap {
    static std::vector<void*>& taken()
    {
        static std::vector<void*> blocks;
        return blocks;
    }
    static void* allocate(std::size_t bytes)
    {
        heap::HostScope host;
        taken().push_back(std::malloc(bytes));
        return taken().back();
    }
    static void* allocateZeroed(std::size_t bytes)
    {
        heap::HostScope host;
        taken().push_back(std::calloc(1, bytes));
        return taken().back();
    }
    static void release(void* block)
    {
        heap::HostScope host;
        auto& blocks = taken();
        blocks.erase(std::remove(blocks.begin(), blocks.end(), block), blocks.end());
        std::free(block);
    }
    static void releaseAll()
    {
        heap::HostScope host;
        for (void* block : taken())
            std::free(block);
        taken().clear();
    }
};

class HeapBooksTest : public ::testing::Test {
protected:
    void TearDown() override { PlainHeap::releaseAll(); }
};

TEST_F(HeapBooksTest, KeepOnlyWhatTheScriptAllocatesWhileItRuns)
{
    auto books = std::make_unique<heap::ScriptBlocks<PlainHeap>>();
    const std::int64_t start = heap::scriptNet();
    char outside[1];
    char inside[1];
    books->allocated(outside, 100);
    {
        heap::ScriptScope script;
        books->allocated(inside, 40);
        books->allocated(nullptr, 8);  // a failed allocation
    }
    EXPECT_EQ(books->size(outside), std::nullopt);
    EXPECT_EQ(books->size(inside), 40u);
    EXPECT_EQ(heap::scriptNet(), start + 40);
    {
        heap::ScriptScope script;
        EXPECT_TRUE(books->mayFree(inside));
    }
    EXPECT_EQ(books->size(inside), std::nullopt);
    EXPECT_EQ(heap::scriptNet(), start);
}

TEST_F(HeapBooksTest, StopTheFreesTheCRuntimeWouldAbortOn)
{
    struct Case {
        const char* name;
        int frees;          // how often the script frees its own block
        bool freesHostText; // then a free of the host's text
        std::vector<std::string> told;
        std::vector<bool> allowed;
    };
    const Case cases[] = {
        {"its own block once", 1, false, {}, {true}},
        {"its own block twice", 2, false, {"twice"}, {true, false}},
        {"its own block three times", 3, false, {"twice", "twice"}, {true, false, false}},
        {"the host's text", 0, true, {"host text"}, {false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto books = std::make_unique<heap::ScriptBlocks<PlainHeap>>();
        GuardedHostSide host;
        char block[1];
        std::vector<bool> allowed;
        heap::ScriptScope script;
        books->allocated(block, 24);
        for (int i = 0; i < c.frees; ++i)
            allowed.push_back(books->mayFree(block));
        if (c.freesHostText)
            allowed.push_back(books->mayFree(host.text));
        if (c.frees == 0)
            books->mayFree(block);
        EXPECT_EQ(host.told, c.told);
        EXPECT_EQ(allowed, c.allowed);
    }
}

TEST_F(HeapBooksTest, AFreeOfAnUnknownBlockGoesThroughWithoutAGuard)
{
    auto books = std::make_unique<heap::ScriptBlocks<PlainHeap>>();
    const heap::FreeGuard previous = heap::setFreeGuard({nullptr, nullptr, nullptr});
    char unknown[1];
    heap::ScriptScope script;
    EXPECT_TRUE(books->mayFree(unknown));
    heap::setFreeGuard(previous);
}

TEST_F(HeapBooksTest, AReallocMovesTheBlockWithItsBooksOrIsRefusedForAHostText)
{
    // Blocks stand in for an allocator's: only the books are under test.
    static char first[1];
    static char second[1];
    auto books = std::make_unique<heap::ScriptBlocks<PlainHeap>>();
    GuardedHostSide host;
    const std::int64_t start = heap::scriptNet();
    heap::ScriptScope script;
    books->allocated(first, 16);
    void* moved = books->reallocate(first, 64, [](void*, std::size_t) -> void* { return second; });
    EXPECT_EQ(moved, second);
    EXPECT_EQ(books->size(first), std::nullopt);
    EXPECT_EQ(books->size(second), 64u);
    EXPECT_EQ(heap::scriptNet(), start + 64);

    // The allocator refuses: the block keeps its books.
    EXPECT_EQ(books->reallocate(second, 128, [](void*, std::size_t) -> void* { return nullptr; }), nullptr);
    EXPECT_EQ(books->size(second), 64u);
    EXPECT_EQ(heap::scriptNet(), start + 64);

    // A host text is never handed to the allocator.
    static bool called = false;
    EXPECT_EQ(books->reallocate(host.text, 32,
                                [](void*, std::size_t) -> void* {
                                    called = true;
                                    return nullptr;
                                }),
              nullptr);
    EXPECT_FALSE(called);
    EXPECT_EQ(host.told, std::vector<std::string>{"host text"});
    EXPECT_TRUE(books->mayFree(second));
    EXPECT_EQ(heap::scriptNet(), start);
}

TEST_F(HeapBooksTest, TheTableGrowsPastItsFirstCapacityAndKeepsEveryBlock)
{
    auto books = std::make_unique<heap::ScriptBlocks<PlainHeap>>();
    std::vector<char> blocks(5000);
    heap::ScriptScope script;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        books->allocated(&blocks[i], i + 1);
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        EXPECT_TRUE(books->mayFree(&blocks[i]));
    for (std::size_t i = 0; i < blocks.size(); ++i)
        ASSERT_EQ(books->size(&blocks[i]), i % 2 ? std::optional<std::size_t>(i + 1) : std::nullopt) << i;
}

} // namespace
