// Guarded reply memory: each text in pages of its own (traps/pages.h),
// followed by a page that is never accessible; pages of a handed-back text
// become inaccessible. Slots are kept mapped and reused by size, so a reply
// costs two protection changes, not a mapping; a slot back in the pool
// gives its pages back to the system (it stays mapped, not resident). Every
// slot counts as two mappings: the slots stay within a share of the
// process's limit on mappings (pooled slots of other sizes are unmapped to
// make room), and where that is not enough, or the system refuses a mapping
// or a protection change, the rest of the run's replies live in plain
// memory, said once.
#include "traps/reply_memory.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "traps/pages.h"

namespace vesk_host {

namespace {

constexpr std::size_t replyLabelSize = 160;
constexpr std::size_t guardedQuarantine = 256;
// Bytes of pooled slots that stay resident.
constexpr std::size_t pooledResident = 16 * 1024 * 1024;

struct Slot {
    char* base = nullptr;
    std::size_t dataPages = 0;
    std::atomic<int> state{0};  // 0 free, 1 live, 2 handed back
    char* block = nullptr;      // where the text of its last use started
    char label[replyLabelSize] = {};
};

// Slots live in chunks that never move, listed in a fixed table, so that a
// signal handler can walk them without taking a lock or allocating.
constexpr std::size_t slotsPerChunk = 256;
constexpr std::size_t mostChunks = 4096;
Slot* chunks[mostChunks];
std::atomic<std::size_t> chunkCount{0};

std::size_t pageSize() { return pages::size(); }

// Slots one guarded memory may hold: a quarter of the process's limit on
// mappings (two each, and the script, its libraries and the C library's
// own mappings need the rest).
std::size_t slotLimit() { return pages::mappingLimit() / 4 / 2; }

class GuardedReplyMemory final : public ReplyMemory {
public:
    ~GuardedReplyMemory() override
    {
        for (Slot* slot : owned_) {
            pages::unmap(slot->base, (slot->dataPages + 1) * pageSize());
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
        if (plain_)
            return allocatePlain(size, label);
        const std::size_t page = pageSize();
        const std::size_t count = (size + page - 1) / page;
        Slot* slot = reuse(count);
        if (slot) {
            if (!pages::open(slot->base, count * page)) {
                unmap(slot);
                return fallBack("a protection change failed", size, label);
            }
        } else {
            if (owned_.size() >= limit_ && !makeRoom())
                return fallBack("its slots reached a quarter of the process's limit on mappings", size, label);
            slot = newSlot();
            if (!slot)
                return fallBack("its table of slots is full", size, label);
            char* mapped = pages::map((count + 1) * page);
            if (!mapped) {
                free_.push_back(slot);
                return fallBack("the system refused a mapping", size, label);
            }
            slot->base = mapped;
            slot->dataPages = count;
            owned_.insert(slot);
            if (!pages::close(slot->base + count * page, page)) {
                unmap(slot);
                return fallBack("a protection change failed", size, label);
            }
        }
        slot->block = slot->base + count * page - size;
        // The label in quotes, cut to fit.
        const std::size_t length = label.size() < replyLabelSize - 3 ? label.size() : replyLabelSize - 3;
        slot->label[0] = '"';
        std::memcpy(slot->label + 1, label.data(), length);
        slot->label[length + 1] = '"';
        slot->label[length + 2] = '\0';
        slot->state = 1;
        byBlock_[slot->block] = slot;
        return slot->block;
    }

    void retire(char* block, std::size_t size, std::vector<const char*>& gone) override
    {
        if (plainBlocks_.erase(block)) {
            plain_->retire(block, size, gone);
            return;
        }
        Slot* slot = find(block);
        if (!slot)
            return;
        if (!pages::close(slot->base, slot->dataPages * pageSize())) {
            // Not guarded any more: it leaves at once, as a block the host forgets.
            byBlock_.erase(slot->block);
            unmap(slot);
            gone.push_back(block);
            return;
        }
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

    void free(char* block, std::size_t size) override
    {
        if (plainBlocks_.erase(block)) {
            plain_->free(block, size);
            return;
        }
        if (Slot* slot = find(block)) {
            if (!pages::close(slot->base, slot->dataPages * pageSize())) {
                byBlock_.erase(slot->block);
                unmap(slot);
                return;
            }
            release(slot);
        }
    }

    std::size_t footprint(std::size_t size) const override
    {
        if (plain_)
            return size;
        const std::size_t page = pageSize();
        return ((size + page - 1) / page + 1) * page;
    }

    const char* fellBack() const override { return plain_ ? reason_.c_str() : nullptr; }

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

    // Back to the pool of its size; its pages stay inaccessible until
    // reused, and are given back to the system meanwhile.
    const char* release(Slot* slot)
    {
        slot->state = 0;
        byBlock_.erase(slot->block);
        // A pool of a few megabytes stays resident, for speed; beyond that its pages go back.
        if (pooledPages_ * pageSize() > pooledResident)
            pages::discard(slot->base, slot->dataPages * pageSize());
        pooledPages_ += slot->dataPages;
        pool_[slot->dataPages].push_back(slot);
        return slot->block;
    }

    // Unmaps a slot; its record goes back to the free records.
    void unmap(Slot* slot)
    {
        pages::unmap(slot->base, (slot->dataPages + 1) * pageSize());
        slot->base = nullptr;
        slot->state = 0;
        owned_.erase(slot);
        free_.push_back(slot);
    }

    // Unmaps pooled slots to make room for a new one; false when none are pooled.
    bool makeRoom()
    {
        bool made = false;
        for (auto& [count, pool] : pool_) {
            for (Slot* slot : pool)
                unmap(slot);
            pooledPages_ -= count * pool.size();
            made = made || !pool.empty();
            pool.clear();
        }
        return made && owned_.size() < limit_;
    }

    char* fallBack(const char* why, std::size_t size, std::string_view label)
    {
        reason_ = std::string("guarded reply memory gave way to plain memory for the rest of the run: ") + why +
                  " (" + std::to_string(owned_.size()) + " guarded replies held)";
        plain_ = makePlainReplyMemory();
        return allocatePlain(size, label);
    }

    char* allocatePlain(std::size_t size, std::string_view label)
    {
        char* block = plain_->allocate(size, label);
        plainBlocks_.insert(block);
        return block;
    }

    Slot* reuse(std::size_t count)
    {
        auto& pool = pool_[count];
        if (pool.empty())
            return nullptr;
        Slot* slot = pool.back();
        pool.pop_back();
        pooledPages_ -= count;
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

    std::unordered_set<Slot*> owned_;  // slots with pages mapped
    std::size_t limit_ = slotLimit();
    std::unique_ptr<ReplyMemory> plain_;  // once guarded memory has given way
    std::unordered_set<const char*> plainBlocks_;
    std::string reason_;
    std::vector<Slot*> free_;  // slot records without pages
    std::map<std::size_t, std::vector<Slot*>> pool_;  // mapped slots by data pages, ready for reuse
    std::deque<Slot*> quarantine_;
    std::size_t bytes_ = 0;  // data pages in quarantine
    std::size_t pooledPages_ = 0;
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
