#include "ledger.h"

#include <cstring>

namespace vesk_host {

HandedReply& Ledger::record(const std::string& text, const std::string& command)
{
    auto reply = std::make_unique<HandedReply>();
    reply->buffer = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(reply->buffer.get(), text.c_str(), text.size() + 1);
    reply->text = text;
    reply->command = command;
    byAddress_[reply->buffer.get()] = reply.get();
    replies_.push_back(std::move(reply));
    return *replies_.back();
}

char* Ledger::handOut(const std::string& text, const std::string& command, const std::string& call,
                      std::uint64_t callNumber)
{
    HandedReply& reply = record(text, command);
    reply.call = call;
    reply.callNumber = callNumber;
    return reply.buffer.get();
}

char* Ledger::handOutKept(const std::string& text, const std::string& command)
{
    HandedReply& reply = record(text, command);
    reply.kept = true;
    return reply.buffer.get();
}

std::size_t Ledger::outstanding() const
{
    std::size_t count = 0;
    for (const auto& reply : replies_)
        count += !reply->kept && !reply->returned;
    return count;
}

ReleaseCheck Ledger::release(const void* data)
{
    ReleaseCheck check;
    const auto found = byAddress_.find(data);
    if (found == byAddress_.end())
        return check;
    HandedReply& reply = *found->second;
    check.reply = &reply;
    if (reply.kept) {
        check.kind = ReleaseCheck::Kind::kept;
        return check;
    }
    if (reply.returned) {
        check.kind = ReleaseCheck::Kind::twice;
        return check;
    }
    check.kind = ReleaseCheck::Kind::returned;
    reply.returned = true;
    const std::size_t size = reply.text.size() + 1;
    if (std::memcmp(reply.buffer.get(), reply.text.c_str(), size) != 0) {
        check.modified = true;
        const char* bytes = reply.buffer.get();
        const void* end = std::memchr(bytes, 0, size);
        check.cameBack.assign(bytes, end ? static_cast<const char*>(end) - bytes : size);
    }
    std::memset(reply.buffer.get(), 0, size);
    return check;
}

std::vector<const HandedReply*> Ledger::takeMissing(std::uint64_t callNumber)
{
    std::vector<const HandedReply*> missing;
    for (auto& reply : replies_)
        if (reply->callNumber == callNumber && !reply->kept && !reply->returned && !reply->reported) {
            reply->reported = true;
            missing.push_back(reply.get());
        }
    return missing;
}

std::vector<const HandedReply*> Ledger::takeAllMissing()
{
    std::vector<const HandedReply*> missing;
    for (auto& reply : replies_)
        if (!reply->kept && !reply->returned && !reply->reported) {
            reply->reported = true;
            missing.push_back(reply.get());
        }
    return missing;
}

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

} // namespace vesk_host
