#include "commands/reply_modes.h"

namespace vesk_host {

const char* replyModeName(ReplyMode mode)
{
    switch (mode) {
    case ReplyMode::null: return "null";
    case ReplyMode::empty: return "empty";
    case ReplyMode::long_: return "long";
    default: return "plant";
    }
}

std::optional<ReplyMode> replyModeNamed(std::string_view name)
{
    for (const ReplyMode mode : {ReplyMode::plant, ReplyMode::null, ReplyMode::empty, ReplyMode::long_})
        if (name == replyModeName(mode))
            return mode;
    return std::nullopt;
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
