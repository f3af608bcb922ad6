#include "traps/ledger.h"

#include <cstring>

namespace vesk_host {

namespace {

constexpr const char* heldReplies = "held reply texts";

std::uint64_t fnv1a(const char* bytes, std::size_t size)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ULL;
    return hash;
}

} // namespace

Ledger::Ledger(MemoryKind memory, MemoryBudget* budget) : memory_(makeReplyMemory(memory)), budget_(budget) {}

Ledger::~Ledger()
{
    for (auto& [block, live] : live_)
        memory_->free(static_cast<char*>(const_cast<void*>(block)), live.size);
}

char* Ledger::record(const std::string& text, HandedReply reply)
{
    const std::size_t size = text.size() + 1;
    const std::size_t cost = memory_->footprint(size) + entryCost;
    if (budget_) {
        if (Status charged = budget_->charge(heldReplies, cost); !charged) {
            if (!refused_)
                refused_ = charged.error();
            return nullptr;
        }
    }
    reply.size = text.size();
    reply.hash = fnv1a(text.data(), text.size());
    if (reply.text.size() > shownLength)
        reply.text.resize(shownLength);
    char* block = memory_->allocate(size, reply.command);
    std::memcpy(block, text.c_str(), size);
    byCall_.emplace_back(reply.callNumber, block);
    live_.emplace(block, Live{std::move(reply), size, cost});
    ++handedOut_;
    return block;
}

char* Ledger::handOut(const std::string& text, const std::string& command, std::uint64_t callNumber)
{
    return record(text, HandedReply{text, 0, command, callNumber, false, false, 0});
}

char* Ledger::handOutKept(const std::string& text, const std::string& command, std::uint64_t callNumber)
{
    return record(text, HandedReply{text, 0, command, callNumber, true, false, 0});
}

void Ledger::nullOut(const std::string& command, std::uint64_t callNumber)
{
    nulls_.push_back(NullReply{HandedReply{std::string(), 0, command, callNumber, false, true, 0}});
}

void Ledger::forget(const void* block)
{
    const auto retired = retired_.find(block);
    if (retired == retired_.end())
        return;
    if (budget_)
        budget_->refund(heldReplies, retired->second.charged);
    retired_.erase(retired);
}

void Ledger::retire(const char* block, std::size_t size, std::size_t charged, HandedReply reply,
                    ReleaseCheck::Kind kind)
{
    gone_.clear();
    memory_->retire(const_cast<char*>(block), size, gone_);
    for (const char* old : gone_)
        if (old != block)
            forget(old);
    retired_[block] = Retired{std::move(reply), kind, charged};
}

ReleaseCheck Ledger::release(const void* data)
{
    ReleaseCheck check;
    if (const auto live = live_.find(data); live != live_.end()) {
        check.reply = live->second.reply;
        if (check.reply.kept) {
            check.kind = ReleaseCheck::Kind::kept;
            return check;
        }
        check.kind = ReleaseCheck::Kind::returned;
        const std::size_t size = live->second.size;
        const std::size_t charged = live->second.charged;
        const char* bytes = static_cast<const char*>(data);
        if (bytes[size - 1] != '\0' || fnv1a(bytes, size - 1) != check.reply.hash) {
            check.modified = true;
            const void* end = std::memchr(bytes, 0, size);
            check.cameBack.assign(bytes, end ? static_cast<const char*>(end) - bytes : size);
        }
        live_.erase(live);
        retire(bytes, size, charged, check.reply, ReleaseCheck::Kind::returned);
        return check;
    }
    if (const auto retired = retired_.find(data); retired != retired_.end()) {
        check.reply = retired->second.reply;
        switch (retired->second.kind) {
        case ReleaseCheck::Kind::late:
            check.kind = ReleaseCheck::Kind::late;
            // Once back, a further hand-back is a second one.
            retired->second.kind = ReleaseCheck::Kind::returned;
            break;
        case ReleaseCheck::Kind::kept: check.kind = ReleaseCheck::Kind::kept; break;
        default: check.kind = ReleaseCheck::Kind::twice; break;
        }
    }
    return check;
}

bool Ledger::releaseNull()
{
    if (nulls_.empty())
        return false;
    // A script hands a reply back right after it came, so the newest null is the one settled.
    nulls_.pop_back();
    return true;
}

std::vector<HandedReply> Ledger::takeUpTo(std::uint64_t callNumber, bool all)
{
    std::vector<HandedReply> missing;
    while (!byCall_.empty() && (all || byCall_.front().first <= callNumber)) {
        const void* block = byCall_.front().second;
        byCall_.pop_front();
        const auto live = live_.find(block);
        if (live == live_.end())
            continue;
        HandedReply reply = std::move(live->second.reply);
        const std::size_t size = live->second.size;
        const std::size_t charged = live->second.charged;
        live_.erase(live);
        const bool kept = reply.kept;
        if (!kept)
            missing.push_back(reply);
        retire(static_cast<const char*>(block), size, charged, std::move(reply),
               kept ? ReleaseCheck::Kind::kept : ReleaseCheck::Kind::late);
    }
    auto null = nulls_.begin();
    while (null != nulls_.end() && (all || null->reply.callNumber <= callNumber))
        missing.push_back(std::move(null++->reply));
    nulls_.erase(nulls_.begin(), null);
    missing_ += missing.size();
    return missing;
}

std::vector<HandedReply> Ledger::takeMissing(std::uint64_t callNumber) { return takeUpTo(callNumber, false); }

std::vector<HandedReply> Ledger::takeAllMissing() { return takeUpTo(0, true); }

void Ledger::answerReceived(const void* answer, const std::string& query, const std::string& text)
{
    answers_[answer] = {query, text};
}

const std::pair<std::string, std::string>* Ledger::heldAnswer(const void* answer) const
{
    const auto found = answers_.find(answer);
    return found == answers_.end() ? nullptr : &found->second;
}

void Ledger::answerHandedBack(const void* answer) { answers_.erase(answer); }

std::vector<std::string> Ledger::takeAnswersKept()
{
    std::vector<std::string> kept;
    for (const auto& [answer, held] : answers_)
        kept.push_back(held.first);
    answers_.clear();
    return kept;
}

bool Ledger::isReply(const void* pointer) const { return lookup(pointer) != nullptr; }

const HandedReply* Ledger::lookup(const void* pointer) const
{
    if (const auto live = live_.find(pointer); live != live_.end())
        return &live->second.reply;
    if (const auto retired = retired_.find(pointer); retired != retired_.end())
        return &retired->second.reply;
    return nullptr;
}

std::size_t Ledger::outstanding() const
{
    std::size_t count = nulls_.size() + missing_;
    for (const auto& [block, live] : live_)
        count += !live.reply.kept;
    return count;
}

std::size_t Ledger::entries() const
{
    return live_.size() + nulls_.size() + retired_.size() + answers_.size() + byCall_.size();
}

} // namespace vesk_host
