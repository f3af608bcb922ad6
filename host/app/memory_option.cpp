#include "app/memory_option.h"

#include <cctype>

#include "base/memory_budget.h"
#include "base/text_util.h"

namespace vesk_host {

namespace {

constexpr std::uint64_t leastBudget = 16 * mebibyte;
constexpr std::uint64_t mostBudget = 1024 * 1024 * mebibyte;

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

Result<std::uint64_t> parseMemorySize(const std::string& text)
{
    if (text.empty())
        return MemoryBudget::defaultLimit;
    const std::size_t digits = text.find_first_not_of("0123456789");
    const std::string number = text.substr(0, digits);
    const std::string unit = lower(digits == std::string::npos ? std::string() : text.substr(digits));
    std::uint64_t scale = 0;
    if (unit.empty() || unit == "m" || unit == "mb" || unit == "mib")
        scale = mebibyte;
    else if (unit == "g" || unit == "gb" || unit == "gib")
        scale = 1024 * mebibyte;
    else if (unit == "k" || unit == "kb" || unit == "kib")
        scale = 1024;
    const auto value = parseInt64(number);
    const Error bad = fail("--max-memory takes a size from 16M to 1024G (such as 512, 512M or 2G), not " +
                           quoteText(text));
    if (number.empty() || scale == 0 || !value || *value < 0 ||
        static_cast<std::uint64_t>(*value) > mostBudget / scale)
        return bad;
    const std::uint64_t bytes = static_cast<std::uint64_t>(*value) * scale;
    if (bytes < leastBudget || bytes > mostBudget)
        return bad;
    return bytes;
}

CommandOption maxMemoryOption(std::string& value)
{
    return {"--max-memory",
            "the memory budget: what the plant, held replies, queued events and the transcript may take "
            "(default 512M; K, M or G)",
            "SIZE", &value};
}

} // namespace vesk_host
