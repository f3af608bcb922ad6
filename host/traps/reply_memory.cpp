#include "traps/reply_memory.h"

#include <deque>
#include <new>

namespace vesk_host {

namespace {

// Handed-back blocks kept out of reuse: enough to name any hand-back that
// comes within the next thousand replies.
constexpr std::size_t plainQuarantine = 1024;

class PlainReplyMemory final : public ReplyMemory {
public:
    ~PlainReplyMemory() override
    {
        for (const auto& [block, size] : quarantine_)
            delete[] block;
    }
    MemoryKind kind() const override { return MemoryKind::plain; }
    char* allocate(std::size_t size, std::string_view) override { return new char[size]; }
    void retire(char* block, std::size_t size, std::vector<const char*>& gone) override
    {
        quarantine_.emplace_back(block, size);
        bytes_ += size;
        while (quarantine_.size() > plainQuarantine || (bytes_ > quarantineBytes && quarantine_.size() > 1)) {
            const auto [oldest, oldSize] = quarantine_.front();
            quarantine_.pop_front();
            bytes_ -= oldSize;
            delete[] oldest;
            gone.push_back(oldest);
        }
    }
    void free(char* block, std::size_t) override { delete[] block; }
    std::size_t quarantineLength() const override { return plainQuarantine; }

private:
    std::deque<std::pair<char*, std::size_t>> quarantine_;
    std::size_t bytes_ = 0;
};

} // namespace

// Defined by the platform's guarded memory (or its absence).
std::unique_ptr<ReplyMemory> makeGuardedReplyMemory();

const char* memoryKindName(MemoryKind kind) { return kind == MemoryKind::guarded ? "guarded" : "plain"; }

std::optional<MemoryKind> memoryKindNamed(std::string_view name)
{
    if (name == "guarded")
        return MemoryKind::guarded;
    if (name == "plain")
        return MemoryKind::plain;
    return std::nullopt;
}

std::unique_ptr<ReplyMemory> makePlainReplyMemory() { return std::make_unique<PlainReplyMemory>(); }

std::unique_ptr<ReplyMemory> makeReplyMemory(MemoryKind kind)
{
    if (kind == MemoryKind::guarded)
        if (auto guarded = makeGuardedReplyMemory())
            return guarded;
    return makePlainReplyMemory();
}

} // namespace vesk_host
