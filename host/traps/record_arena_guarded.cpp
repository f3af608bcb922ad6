// The record arena where the platform can make memory inaccessible
// (mmap and mprotect): records in slots of two halves, one half closed.
#include "traps/record_arena.h"

#include <atomic>
#include <cstring>

#include <sys/mman.h>

namespace vesk_host {

namespace {

constexpr std::size_t slotsPerHalf = 32;
constexpr std::size_t labelSize = 120;

// The arena of this process (one emulator runs at a time), for the fault handler.
struct ArenaState {
    std::atomic<char*> base{nullptr};
    std::atomic<int> open{0};  // the half that is accessible
    std::size_t next = 0;      // the next slot in it
    char labels[2 * slotsPerHalf][labelSize];
};
ArenaState state;

constexpr std::size_t halfBytes = slotsPerHalf * RecordArena::slotSize;

} // namespace

RecordArena::RecordArena()
{
    if (state.base.load())
        return;  // another emulator of this process has it
    void* mapped = mmap(nullptr, 2 * halfBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return;
    base_ = static_cast<char*>(mapped);
    mprotect(base_ + halfBytes, halfBytes, PROT_NONE);
    state.next = 0;
    state.open = 0;
    state.base = base_;
}

RecordArena::~RecordArena()
{
    if (!base_)
        return;
    state.base = nullptr;
    munmap(base_, 2 * halfBytes);
}

char* RecordArena::take(std::string_view label)
{
    if (!base_)
        return nullptr;
    if (state.next == slotsPerHalf) {
        const int closing = state.open.load();
        mprotect(base_ + (1 - closing) * halfBytes, halfBytes, PROT_READ | PROT_WRITE);
        mprotect(base_ + closing * halfBytes, halfBytes, PROT_NONE);
        state.open = 1 - closing;
        state.next = 0;
    }
    const int half = state.open.load();
    const std::size_t index = half * slotsPerHalf + state.next++;
    const std::size_t length = label.size() < labelSize - 1 ? label.size() : labelSize - 1;
    std::memcpy(state.labels[index], label.data(), length);
    state.labels[index][length] = '\0';
    char* slot = base_ + index * slotSize;
    std::memset(slot, 0, slotSize);
    return slot;
}

bool recordFault(const void* address, char* label, std::size_t size)
{
    const char* base = state.base.load();
    const char* at = static_cast<const char*>(address);
    if (!base || at < base || at >= base + 2 * halfBytes)
        return false;
    const std::size_t index = static_cast<std::size_t>(at - base) / RecordArena::slotSize;
    if (index / slotsPerHalf == static_cast<std::size_t>(state.open.load()))
        return false;
    std::size_t n = 0;
    for (; size > 0 && n + 1 < size && state.labels[index][n]; ++n)
        label[n] = state.labels[index][n];
    if (size > 0)
        label[n] = '\0';
    return true;
}

} // namespace vesk_host
