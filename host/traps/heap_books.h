// The books the heap watch keeps of the script's blocks, shared by what
// stands in front of an allocator (heap_interposer.cpp for glibc,
// heap_hooks_windows.cpp for a C runtime DLL the script imports): the live
// blocks the script allocated, its last frees (to tell a second free), the
// net bytes, and the free guard's say over a free of a block the script
// does not own. `Raw` gives storage that bypasses the watched allocator:
// static allocate(bytes), allocateZeroed(bytes), release(block).
// One thread at a time, as the script is called.
#ifndef VESK_HOST_TRAPS_HEAP_BOOKS_H
#define VESK_HOST_TRAPS_HEAP_BOOKS_H

#include <cstddef>
#include <cstdint>
#include <optional>

#include "traps/heap_watch.h"

namespace vesk_host::heap {

// Open addressing on block addresses; its storage comes from Raw, never
// from the allocator being watched.
template <class Raw>
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
        keys_ = static_cast<std::uintptr_t*>(Raw::allocateZeroed(capacity_ * sizeof *keys_));
        sizes_ = static_cast<std::size_t*>(Raw::allocate(capacity_ * sizeof *sizes_));
        used_ = 0;
        count_ = 0;
        for (std::size_t i = 0; i < oldCapacity; ++i)
            if (oldKeys[i] != empty && oldKeys[i] != gone)
                insert(reinterpret_cast<const void*>(oldKeys[i]), oldSizes[i]);
        Raw::release(oldKeys);
        Raw::release(oldSizes);
    }

    std::uintptr_t* keys_ = nullptr;
    std::size_t* sizes_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;   // live and tombstones
    std::size_t count_ = 0;  // live
};

template <class Raw>
class ScriptBlocks {
public:
    static bool counting() { return detail::depth > 0; }

    // A block the allocator gave: the script's while it runs.
    void allocated(void* block, std::size_t size)
    {
        if (!block || !counting())
            return;
        live_.insert(block, size);
        freed_.remove(block);
        detail::net += static_cast<std::int64_t>(size);
    }

    // A free inside the script: true when the block may go to the allocator.
    bool mayFree(void* block)
    {
        if (const auto size = live_.remove(block)) {
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
        if (freed_.size(block)) {
            guard.report(block, BadFree::twice, guard.context);
            return false;
        }
        return true;
    }

    // realloc(block, size > 0) inside the script, with `raw` the allocator's
    // own realloc: a host text is reported and refused (null), anything else
    // moves with its books.
    template <class Realloc>
    void* reallocate(void* block, std::size_t size, Realloc raw)
    {
        const auto old = live_.remove(block);
        if (!old) {
            const FreeGuard guard = detail::guard;
            HostScope host;
            if (guard.isHostText && guard.report && guard.isHostText(block, guard.context)) {
                guard.report(block, BadFree::hostText, guard.context);
                return nullptr;
            }
        }
        void* moved = raw(block, size);
        if (!moved) {
            if (old)
                live_.insert(block, *old);
            return nullptr;
        }
        if (old)
            detail::net -= static_cast<std::int64_t>(*old);
        allocated(moved, size);
        return moved;
    }

    std::optional<std::size_t> size(const void* block) const { return live_.size(block); }
    // A block the watch counted that never reached the script (the probe).
    std::optional<std::size_t> forget(const void* block)
    {
        const auto seen = live_.remove(block);
        if (seen)
            detail::net -= static_cast<std::int64_t>(*seen);
        return seen;
    }

private:
    void remember(const void* block)
    {
        if (const void* oldest = freedRing_[freedNext_])
            freed_.remove(oldest);
        freedRing_[freedNext_] = block;
        freedNext_ = (freedNext_ + 1) % rememberedFrees;
        freed_.insert(block, 0);
    }

    // The script's last frees, to tell a second free of the same block.
    static constexpr std::size_t rememberedFrees = 1024;
    BlockTable<Raw> live_;
    BlockTable<Raw> freed_;
    const void* freedRing_[rememberedFrees] = {};
    std::size_t freedNext_ = 0;
};

} // namespace vesk_host::heap

#endif
