// The record arena in pages the host can close (traps/pages.h): each record
// in a slot of its own, closed once the next is taken.
#include "traps/record_arena.h"

#include <atomic>
#include <cstring>

#include "traps/pages.h"

namespace vesk_host {

namespace {

constexpr std::size_t slotsPerHalf = 32;
constexpr std::size_t recordLabelSize = 120;

// The arena of this process (one emulator runs at a time), for the fault handler.
struct ArenaState {
    std::atomic<char*> base{nullptr};
    std::atomic<int> open{0};  // the half that is accessible
    std::size_t next = 0;      // the next slot in it
    char labels[2 * slotsPerHalf][recordLabelSize];
};
ArenaState state;

constexpr std::size_t halfBytes = slotsPerHalf * RecordArena::slotSize;

} // namespace

RecordArena::RecordArena()
{
    if (state.base.load())
        return;  // another emulator of this process has it
    char* mapped = pages::map(2 * halfBytes);
    if (!mapped)
        return;
    base_ = mapped;
    owner_ = true;
    if (!pages::close(base_ + halfBytes, halfBytes)) {
        pages::unmap(mapped, 2 * halfBytes);
        base_ = nullptr;
        owner_ = false;
        return;
    }
    state.next = 0;
    state.open = 0;
    state.base = base_;
}

RecordArena::~RecordArena()
{
    char* base = state.base.load();
    if (!owner_ || !base)
        return;
    state.base = nullptr;
    pages::unmap(base, 2 * halfBytes);
}

char* RecordArena::take(std::string_view label)
{
    if (!base_)
        return nullptr;
    if (state.next == slotsPerHalf) {
        const int closing = state.open.load();
        // A half that cannot be opened (the process at its limit on mappings)
        // ends the arena: records live on the heap from then on.
        if (!pages::open(base_ + (1 - closing) * halfBytes, halfBytes)) {
            base_ = nullptr;
            return nullptr;
        }
        pages::close(base_ + closing * halfBytes, halfBytes);
        state.open = 1 - closing;
        state.next = 0;
    }
    const int half = state.open.load();
    if (state.next > 0)
        pages::close(base_ + (half * slotsPerHalf + state.next - 1) * slotSize, slotSize);
    const std::size_t index = half * slotsPerHalf + state.next++;
    const std::size_t length = label.size() < recordLabelSize - 1 ? label.size() : recordLabelSize - 1;
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
    // The open half's slots before the one in use are closed too.
    const bool openHalf = index / slotsPerHalf == static_cast<std::size_t>(state.open.load());
    if (openHalf && index % slotsPerHalf + 1 >= state.next)
        return false;
    std::size_t n = 0;
    for (; size > 0 && n + 1 < size && state.labels[index][n]; ++n)
        label[n] = state.labels[index][n];
    if (size > 0)
        label[n] = '\0';
    return true;
}

} // namespace vesk_host
