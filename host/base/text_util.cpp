#include "base/text_util.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace vesk_host {

std::optional<std::size_t> boundedLength(const char* text, std::size_t limit)
{
    const void* end = std::memchr(text, 0, limit);
    if (!end)
        return std::nullopt;
    return static_cast<std::size_t>(static_cast<const char*>(end) - text);
}

namespace {

// Appends `text` with backslash, quote and the usual control characters
// escaped; other bytes outside printable ASCII as \xNN.
void appendEscaped(std::string& out, std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte > 0x7e) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", byte);
                out += hex;
            } else
                out += c;
        }
    }
}

} // namespace

std::string quoteText(std::string_view text, std::size_t shown, std::size_t whole)
{
    std::string out = "\"";
    const std::string_view part = text.substr(0, shown);
    appendEscaped(out, part);
    out += '"';
    const std::size_t length = whole > text.size() ? whole : text.size();
    if (part.size() < length)
        out += "... (" + std::to_string(length) + " bytes in all)";
    return out;
}

std::optional<std::int64_t> parseInt64(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 19)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    // 19 digits never overflow 64 bits unsigned; the signed range is checked here.
    const auto limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (value > limit + (negative ? 1 : 0))
        return std::nullopt;
    if (negative)
        return value == limit + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(value);
    return static_cast<std::int64_t>(value);
}

std::optional<std::int32_t> parseInt32(std::string_view text)
{
    const auto value = parseInt64(text);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::string int32Problem(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return "must be a whole number";
    return negative ? "is too small (at least -2147483648)" : "is too large (at most 2147483647)";
}

std::string markdownCell(std::string_view text)
{
    std::string cell;
    cell.reserve(text.size());
    for (char c : text) {
        if (c == '|')
            cell += '\\';
        cell += c;
    }
    return cell;
}

} // namespace vesk_host
