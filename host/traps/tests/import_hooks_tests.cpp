// The hooks in a script module's import table (Windows): which imports are
// found and rewritten, and what the heap hooks keep of a script's blocks
// and stop of its frees, through the C runtime the module imports.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "traps/heap_watch.h"
#include "traps/tests/host_side.h"
#include "traps/import_hooks_windows.h"

using namespace vesk_host;

namespace {

std::set<std::string> seen;

void* recordOnly(const char* dll, HMODULE, const char* name)
{
    seen.insert(std::string(dll) + ":" + name);
    return nullptr;
}

void __cdecl standIn() {}

void* standInForMalloc(const char*, HMODULE, const char* name)
{
    return std::string(name) == "malloc" ? reinterpret_cast<void*>(&standIn) : nullptr;
}

void* mallocAgain(const char*, HMODULE provider, const char* name)
{
    return std::string(name) == "malloc" ? exportedFunction<void*>(provider, name) : nullptr;
}

TEST(ImportHooksTest, ReadsTheNamesAModuleImportsAndRewritesOnlyThoseHooked)
{
    const HMODULE script = LoadLibraryA(FAULTY_KEEPS_REPLY);
    ASSERT_NE(script, nullptr);
    seen.clear();
    EXPECT_EQ(hookImports(script, recordOnly), 0);
    EXPECT_TRUE(seen.count("msvcrt.dll:malloc")) << "imports seen: " << seen.size();
    EXPECT_TRUE(seen.count("msvcrt.dll:free"));

    EXPECT_EQ(hookImports(script, standInForMalloc), 1);
    EXPECT_EQ(hookImports(script, standInForMalloc), 0) << "a hook in place is left as it is";
    EXPECT_EQ(hookImports(nullptr, recordOnly), 0);
    EXPECT_EQ(hookImports(script, mallocAgain), 1) << "the import put back";
    FreeLibrary(script);
}

TEST(ImportHooksTest, EachWatchHooksItsOwnNamesOnly)
{
    const HMODULE runtime = GetModuleHandleA("msvcrt.dll");
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(runtime, nullptr);
    struct Case {
        const char* name;
        HMODULE provider;
        bool heap;
        bool exit;
    };
    const Case cases[] = {
        {"malloc", runtime, true, false},  {"calloc", runtime, true, false},   {"realloc", runtime, true, false},
        {"free", runtime, true, false},    {"_strdup", runtime, true, false},  {"exit", runtime, false, true},
        {"_exit", runtime, false, true},   {"abort", runtime, false, true},    {"ExitProcess", kernel, false, true},
        {"printf", runtime, false, false}, {"malloc", nullptr, false, false},  {"Sleep", kernel, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(heapHookFor("x.dll", c.provider, c.name) != nullptr, c.heap);
        EXPECT_EQ(exitHookFor("x.dll", c.provider, c.name) != nullptr, c.exit);
    }
}

// The host's side: one text it owns, and the bad frees it was told of.
TEST(ImportHooksTest, TheHeapHooksKeepTheScriptsBlocksAndStopBadFrees)
{
    const HMODULE runtime = GetModuleHandleA("msvcrt.dll");
    using Malloc = void*(__cdecl*)(std::size_t);
    using Free = void(__cdecl*)(void*);
    using Realloc = void*(__cdecl*)(void*, std::size_t);
    const auto hookedMalloc = reinterpret_cast<Malloc>(heapHookFor("msvcrt.dll", runtime, "malloc"));
    const auto hookedFree = reinterpret_cast<Free>(heapHookFor("msvcrt.dll", runtime, "free"));
    const auto hookedRealloc = reinterpret_cast<Realloc>(heapHookFor("msvcrt.dll", runtime, "realloc"));
    ASSERT_TRUE(hookedMalloc && hookedFree && hookedRealloc);
    const auto previousLookup = heap::detail::lookup;
    heapHooksPlaced();
    HostSide host;
    const heap::FreeGuard previous = heap::setFreeGuard({&HostSide::isHostText, &HostSide::report, &host});
    const std::int64_t start = heap::scriptNet();
    {
        heap::ScriptScope script;
        void* block = hookedMalloc(40);
        EXPECT_EQ(heap::scriptBlock(block), 40u);
        EXPECT_EQ(heap::scriptNet(), start + 40);
        block = hookedRealloc(block, 100);
        EXPECT_EQ(heap::scriptBlock(block), 100u);
        hookedFree(block);
        hookedFree(block);
        hookedFree(host.text);
        EXPECT_EQ(hookedRealloc(host.text, 8), nullptr);
    }
    EXPECT_EQ(heap::scriptNet(), start);
    EXPECT_EQ(host.told, (std::vector<std::string>{"twice", "host text", "host text"}));
    void* hosts = hookedMalloc(16);
    EXPECT_EQ(heap::scriptBlock(hosts), std::nullopt) << "the host's block outside the script's calls";
    hookedFree(hosts);
    heap::setFreeGuard(previous);
    heap::detail::lookup = previousLookup;
}

} // namespace
