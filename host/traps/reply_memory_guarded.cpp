// Guarded reply memory on POSIX: each text in pages of its own from mmap,
// followed by a page that is never accessible; pages of a handed-back text
// become inaccessible with mprotect. Slots are kept mapped and reused by
// size, so a reply costs two mprotect calls, not a mapping.
#include "traps/reply_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <unordered_map>
#include <vector>

namespace vesk_host {

namespace {

constexpr std::size_t labelSize = 160;
constexpr std::size_t guardedQuarantine = 256;

struct Slot {
    char* base = nullptr;
    std::size_t dataPages = 0;
    std::atomic<int> state{0};  // 0 free, 1 live, 2 handed back
    char* block = nullptr;      // where the text of its last use started
    char label[labelSize] = {};
};

// Slots live in chunks that never move, listed in a fixed table, so that a
// signal handler can walk them without taking a lock or allocating.
constexpr std::size_t slotsPerChunk = 256;
constexpr std::size_t mostChunks = 4096;
Slot* chunks[mostChunks];
std::atomic<std::size_t> chunkCount{0};

std::size_t pageSize()
{
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

class GuardedReplyMemory final : public ReplyMemory {
public:
    ~GuardedReplyMemory() override
    {
        for (Slot* slot : owned_) {
            munmap(slot->base, (slot->dataPages + 1) * pageSize());
            slot->base = nullptr;
            slot->state = 0;
            free_.push_back(slot);
        }
        // The slot records stay, free, for the next guarded memory of this process.
        spare().insert(spare().end(), free_.begin(), free_.end());
    }

    MemoryKind kind() const override { return MemoryKind::guarded; }

    char* allocate(std::size_t size, std::string_view label) override
    {
        const std::size_t page = pageSize();
        const std::size_t pages = (size + page - 1) / page;
        Slot* slot = reuse(pages);
        if (!slot) {
            slot = newSlot();
            void* mapped = mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (!slot || mapped == MAP_FAILED)
                throw std::bad_alloc();
            slot->base = static_cast<char*>(mapped);
            slot->dataPages = pages;
            mprotect(slot->base + pages * page, page, PROT_NONE);
            owned_.push_back(slot);
        } else {
            mprotect(slot->base, pages * page, PROT_READ | PROT_WRITE);
        }
        slot->block = slot->base + pages * page - size;
        // The label in quotes, cut to fit.
        const std::size_t length = label.size() < labelSize - 3 ? label.size() : labelSize - 3;
        slot->label[0] = '"';
        std::memcpy(slot->label + 1, label.data(), length);
        slot->label[length + 1] = '"';
        slot->label[length + 2] = '\0';
        slot->state = 1;
        byBlock_[slot->block] = slot;
        return slot->block;
    }

    void retire(char* block, std::size_t, std::vector<const char*>& gone) override
    {
        Slot* slot = find(block);
        if (!slot)
            return;
        mprotect(slot->base, slot->dataPages * pageSize(), PROT_NONE);
        slot->state = 2;
        quarantine_.push_back(slot);
        bytes_ += slot->dataPages * pageSize();
        while (quarantine_.size() > guardedQuarantine || (bytes_ > quarantineBytes && quarantine_.size() > 1)) {
            Slot* oldest = quarantine_.front();
            quarantine_.pop_front();
            bytes_ -= oldest->dataPages * pageSize();
            gone.push_back(release(oldest));
        }
    }

    void free(char* block, std::size_t) override
    {
        if (Slot* slot = find(block)) {
            mprotect(slot->base, slot->dataPages * pageSize(), PROT_NONE);
            release(slot);
        }
    }

    std::size_t quarantineLength() const override { return guardedQuarantine; }

private:
    static std::vector<Slot*>& spare()
    {
        static std::vector<Slot*> slots;
        return slots;
    }

    Slot* find(const char* block)
    {
        const auto found = byBlock_.find(block);
        return found == byBlock_.end() ? nullptr : found->second;
    }

    // Back to the pool of its size; its pages stay inaccessible until reused.
    const char* release(Slot* slot)
    {
        slot->state = 0;
        byBlock_.erase(slot->block);
        pool_[slot->dataPages].push_back(slot);
        return slot->block;
    }

    Slot* reuse(std::size_t pages)
    {
        auto& pool = pool_[pages];
        if (pool.empty())
            return nullptr;
        Slot* slot = pool.back();
        pool.pop_back();
        return slot;
    }

    Slot* newSlot()
    {
        if (free_.empty() && !spare().empty()) {
            free_.swap(spare());
        }
        if (free_.empty()) {
            const std::size_t count = chunkCount.load();
            if (count == mostChunks)
                return nullptr;
            Slot* chunk = new Slot[slotsPerChunk];
            chunks[count] = chunk;
            chunkCount.store(count + 1);
            for (std::size_t i = 0; i < slotsPerChunk; ++i)
                free_.push_back(&chunk[i]);
        }
        Slot* slot = free_.back();
        free_.pop_back();
        return slot;
    }

    std::vector<Slot*> owned_;
    std::vector<Slot*> free_;  // slot records without pages
    std::map<std::size_t, std::vector<Slot*>> pool_;  // mapped slots by data pages, ready for reuse
    std::deque<Slot*> quarantine_;
    std::size_t bytes_ = 0;  // data pages in quarantine
    std::unordered_map<const char*, Slot*> byBlock_;
};

} // namespace

bool guardedMemoryAvailable() { return true; }

std::unique_ptr<ReplyMemory> makeGuardedReplyMemory() { return std::make_unique<GuardedReplyMemory>(); }

FaultKind describeFault(const void* address, char* label, std::size_t size)
{
    const char* at = static_cast<const char*>(address);
    const std::size_t page = pageSize();
    const std::size_t count = chunkCount.load();
    for (std::size_t c = 0; c < count; ++c)
        for (std::size_t i = 0; i < slotsPerChunk; ++i) {
            const Slot& slot = chunks[c][i];
            if (!slot.base || at < slot.base || at >= slot.base + (slot.dataPages + 1) * page)
                continue;
            std::size_t n = 0;
            for (; n + 1 < size && slot.label[n]; ++n)
                label[n] = slot.label[n];
            if (size > 0)
                label[n] = '\0';
            const bool inGuard = at >= slot.base + slot.dataPages * page;
            if (slot.state.load() == 1)
                return inGuard ? FaultKind::pastEnd : FaultKind::none;
            return FaultKind::afterRelease;
        }
    return FaultKind::none;
}

} // namespace vesk_host
