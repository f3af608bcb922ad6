// The script's heap, watched from the emulator: where the emulator stands
// in front of the C library's allocator (heap_interposer.cpp, linked into
// vesk_host on glibc builds without sanitizers), every block allocated and
// freed while the script runs is counted, so the host can tell what a call
// leaves behind, whether a parent-query answer is heap memory of the right
// size and whether the script freed it, and can stop a script's free() of
// a host text or a second free() of its own block before the C library
// aborts. Where nothing stands in front of the allocator, watching() is
// false and every query answers "not known".
#ifndef VESK_HOST_HEAP_WATCH_H
#define VESK_HOST_HEAP_WATCH_H

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vesk_host::heap {

// Whether allocations are counted in this process.
bool watching();

// Counts the calling thread's allocations as the script's while alive (nests).
class ScriptScope {
public:
    ScriptScope();
    ~ScriptScope();
    ScriptScope(const ScriptScope&) = delete;
    ScriptScope& operator=(const ScriptScope&) = delete;
};

// Host work inside a script's call (a command, a report): not the script's.
class HostScope {
public:
    HostScope();
    ~HostScope();
    HostScope(const HostScope&) = delete;
    HostScope& operator=(const HostScope&) = delete;

private:
    int saved_;
};

// Bytes the script allocated minus bytes it freed, since the process began.
std::int64_t scriptNet();
// The size of `block` when it is a live block the script allocated; nothing
// when it is not, or when allocations are not watched.
std::optional<std::size_t> scriptBlock(const void* block);

// What a script's free() of a block it does not own is.
enum class BadFree {
    hostText,  // a text the host handed out
    twice,     // a block the script freed already
};
// Who is told of a bad free, which is then skipped (the block is not freed).
struct FreeGuard {
    bool (*isHostText)(const void* block, void* context);
    void (*report)(const void* block, BadFree kind, void* context);
    void* context;
};
// Sets the guard (null functions: none); the previous one is returned.
FreeGuard setFreeGuard(FreeGuard guard);

// Shared with the interposer.
namespace detail {
// Above 0 while the calling thread runs script code.
extern thread_local int depth;
extern std::int64_t net;
extern FreeGuard guard;
// The interposer's lookup of live script blocks; null without an interposer.
extern std::optional<std::size_t> (*lookup)(const void* block);
} // namespace detail

} // namespace vesk_host::heap

#endif
