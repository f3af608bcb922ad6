// Stands in front of glibc's allocator for the whole process: every
// allocation and free goes on to glibc (__libc_malloc and friends), and
// those made while the script runs (heap::ScriptScope) are counted and
// kept in a table of live script blocks. A free() inside the script of a
// block it does not own (a host text, or its own block a second time) is
// told to the free guard and skipped, so the C library never aborts on it.
// Linked into vesk_host on glibc builds without sanitizers, which bring an
// allocator of their own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "traps/heap_watch.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* block);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
}

namespace {

using namespace vesk_host::heap;

// Open addressing on block addresses; its storage comes from glibc directly.
class BlockTable {
public:
    void insert(const void* block, std::size_t size)
    {
        if ((used_ + 1) * 2 > capacity_)
            grow();
        const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(block);
        std::size_t at = slot(key);
        std::size_t tombstone = capacity_;
        for (;; at = (at + 1) & (capacity_ - 1)) {
            if (keys_[at] == key) {
                sizes_[at] = size;
                return;
            }
            if (keys_[at] == gone && tombstone == capacity_)
                tombstone = at;
            if (keys_[at] == empty)
                break;
        }
        if (tombstone != capacity_)
            at = tombstone;
        else
            ++used_;
        keys_[at] = key;
        sizes_[at] = size;
        ++count_;
    }

    // The block's size, and it leaves the table; nothing when it is not there.
    std::optional<std::size_t> remove(const void* block)
    {
        const std::size_t at = find(block);
        if (at == capacity_)
            return std::nullopt;
        keys_[at] = gone;
        --count_;
        return sizes_[at];
    }

    std::optional<std::size_t> size(const void* block) const
    {
        const std::size_t at = find(block);
        return at == capacity_ ? std::nullopt : std::optional<std::size_t>(sizes_[at]);
    }

private:
    static constexpr std::uintptr_t empty = 0;
    static constexpr std::uintptr_t gone = 1;

    std::size_t slot(std::uintptr_t key) const { return static_cast<std::size_t>((key >> 4) * 0x9e3779b97f4a7c15ULL) & (capacity_ - 1); }

    std::size_t find(const void* block) const
    {
        if (capacity_ == 0)
            return capacity_;
        const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(block);
        for (std::size_t at = slot(key);; at = (at + 1) & (capacity_ - 1)) {
            if (keys_[at] == key)
                return at;
            if (keys_[at] == empty)
                return capacity_;
        }
    }

    void grow()
    {
        std::uintptr_t* oldKeys = keys_;
        std::size_t* oldSizes = sizes_;
        const std::size_t oldCapacity = capacity_;
        // Doubles when full of live blocks; stays when full of tombstones.
        capacity_ = oldCapacity == 0 ? 256 : (count_ + 1) * 4 > oldCapacity ? oldCapacity * 2 : oldCapacity;
        keys_ = static_cast<std::uintptr_t*>(__libc_calloc(capacity_, sizeof *keys_));
        sizes_ = static_cast<std::size_t*>(__libc_malloc(capacity_ * sizeof *sizes_));
        used_ = 0;
        count_ = 0;
        for (std::size_t i = 0; i < oldCapacity; ++i)
            if (oldKeys[i] != empty && oldKeys[i] != gone)
                insert(reinterpret_cast<const void*>(oldKeys[i]), oldSizes[i]);
        __libc_free(oldKeys);
        __libc_free(oldSizes);
    }

    std::uintptr_t* keys_ = nullptr;
    std::size_t* sizes_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;   // live and tombstones
    std::size_t count_ = 0;  // live
};

BlockTable live;
// The script's last frees, to tell a second free of the same block.
constexpr std::size_t rememberedFrees = 1024;
BlockTable freed;
const void* freedRing[rememberedFrees];
std::size_t freedNext = 0;

bool counting() { return detail::depth > 0; }

void allocated(void* block, std::size_t size)
{
    if (!block || !counting())
        return;
    live.insert(block, size);
    freed.remove(block);
    detail::net += static_cast<std::int64_t>(size);
}

void remember(const void* block)
{
    if (const void* oldest = freedRing[freedNext])
        freed.remove(oldest);
    freedRing[freedNext] = block;
    freedNext = (freedNext + 1) % rememberedFrees;
    freed.insert(block, 0);
}

// A free inside the script: true when the block may go to glibc.
bool mayFree(void* block)
{
    if (const auto size = live.remove(block)) {
        detail::net -= static_cast<std::int64_t>(*size);
        remember(block);
        return true;
    }
    const FreeGuard guard = detail::guard;
    if (!guard.report)
        return true;
    HostScope host;
    if (guard.isHostText && guard.isHostText(block, guard.context)) {
        guard.report(block, BadFree::hostText, guard.context);
        return false;
    }
    if (freed.size(block)) {
        guard.report(block, BadFree::twice, guard.context);
        return false;
    }
    return true;
}

std::optional<std::size_t> lookupBlock(const void* block) { return live.size(block); }

// Another allocator may stand in front of this one (valgrind's replaces
// malloc wherever it is defined): the watch turns on only when a block
// allocated as the script's shows in its table. Called through a pointer,
// so that the call is not inlined past whoever owns malloc.
void* (*volatile probeAllocate)(std::size_t) = malloc;

__attribute__((constructor)) void startWatching()
{
    ++detail::depth;
    void* probe = probeAllocate(1);
    --detail::depth;
    const auto seen = live.remove(probe);
    if (seen)
        detail::net -= static_cast<std::int64_t>(*seen);
    free(probe);  // not counted: straight to whoever allocated it
    if (seen)
        detail::lookup = lookupBlock;
}

} // namespace

extern "C" {

void* malloc(std::size_t size)
{
    void* block = __libc_malloc(size);
    allocated(block, size);
    return block;
}

void free(void* block)
{
    if (block && counting() && !mayFree(block))
        return;
    __libc_free(block);
}

void* calloc(std::size_t count, std::size_t size)
{
    void* block = __libc_calloc(count, size);
    allocated(block, count * size);
    return block;
}

void* realloc(void* block, std::size_t size)
{
    if (!block || !counting())
        return block ? __libc_realloc(block, size) : malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    const auto old = live.remove(block);
    if (!old) {
        const FreeGuard guard = detail::guard;
        HostScope host;
        if (guard.isHostText && guard.report && guard.isHostText(block, guard.context)) {
            guard.report(block, BadFree::hostText, guard.context);
            return nullptr;
        }
    }
    void* moved = __libc_realloc(block, size);
    if (!moved) {
        if (old)
            live.insert(block, *old);
        return nullptr;
    }
    if (old)
        detail::net -= static_cast<std::int64_t>(*old);
    allocated(moved, size);
    return moved;
}

void* memalign(std::size_t alignment, std::size_t size)
{
    void* block = __libc_memalign(alignment, size);
    allocated(block, size);
    return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return 22;  // EINVAL
    void* block = memalign(alignment, size);
    if (!block)
        return 12;  // ENOMEM
    *result = block;
    return 0;
}

void* valloc(std::size_t size)
{
    void* block = __libc_valloc(size);
    allocated(block, size);
    return block;
}

void* pvalloc(std::size_t size)
{
    void* block = __libc_pvalloc(size);
    allocated(block, size);
    return block;
}

} // extern "C"
