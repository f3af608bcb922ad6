#include "commands/reply_modes.h"

#include <iterator>

namespace vesk_host {

namespace {

// Every mode with its name, in the order help and messages list them.
struct NamedMode {
    ReplyMode mode;
    const char* name;
};
constexpr NamedMode namedModes[] = {
    {ReplyMode::plant, "plant"},
    {ReplyMode::null, "null"},
    {ReplyMode::empty, "empty"},
    {ReplyMode::long_, "long"},
};

} // namespace

const char* replyModeName(ReplyMode mode)
{
    for (const NamedMode& named : namedModes)
        if (named.mode == mode)
            return named.name;
    return namedModes[0].name;
}

std::optional<ReplyMode> replyModeNamed(std::string_view name)
{
    for (const NamedMode& named : namedModes)
        if (name == named.name)
            return named.mode;
    return std::nullopt;
}

std::string replyModeList(const char* separator, const char* last)
{
    std::string list;
    for (std::size_t i = 0; i < std::size(namedModes); ++i)
        list += std::string(i == 0 ? "" : i + 1 == std::size(namedModes) ? last : separator) + namedModes[i].name;
    return list;
}

const std::string& longReplyText()
{
    static const std::string text = [] {
        const std::string piece = "12,7 'a b' key=value%1 ";
        std::string out;
        out.reserve(longReplyLength);
        while (out.size() < longReplyLength)
            out += piece;
        out.resize(longReplyLength);
        return out;
    }();
    return text;
}

const std::string& longListReplyText()
{
    static const std::string text = [] {
        const std::string piece = "7 'a b' key=value%1 12 ";
        std::string item;
        while (item.size() < longReplyLength / longListItems)
            item += piece;
        std::string out;
        for (std::size_t i = 0; i < longListItems; ++i)
            out += (i ? "," : "") + item;
        out.resize(longReplyLength);
        return out;
    }();
    return text;
}

Reply replyInMode(ReplyMode mode, const CommandRow& row, Reply fromPlant)
{
    if (mode == ReplyMode::plant)
        return fromPlant;
    Reply reply;
    if (row.reply == ReplyKind::status) {
        // A status word, never a text: failure, or whether the plant loaded the panel.
        if (mode != ReplyMode::null)
            return fromPlant;
        reply.kind = Reply::Kind::status;
        return reply;
    }
    if (mode == ReplyMode::null)
        return reply;
    reply.kind = row.handBack != HandBack::never ? Reply::Kind::text : Reply::Kind::word;
    if (mode == ReplyMode::long_)
        reply.text = row.reply == ReplyKind::list ? longListReplyText() : longReplyText();
    return reply;
}

} // namespace vesk_host
