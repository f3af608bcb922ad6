#include "base/memory_budget.h"

#include <cstdio>

namespace vesk_host {

namespace {

std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

} // namespace

Status MemoryBudget::charge(std::string_view category, std::uint64_t bytes)
{
    auto found = categories_.find(category);
    if (found == categories_.end())
        found = categories_.emplace(std::string(category), 0).first;
    std::uint64_t& held = found->second;
    // Written so that no sum can wrap: bytes may be anything a file asks for.
    if (bytes > limit_ || used_ > limit_ - bytes)
        return fail(ErrorKind::overBudget, std::string(category) + " would need " +
                                               byteSize(saturatingSum(held, bytes)) + " (the run " +
                                               byteSize(saturatingSum(used_, bytes)) +
                                               " in all), over the memory budget of " + byteSize(limit_));
    held += bytes;
    used_ += bytes;
    return Done{};
}

void MemoryBudget::refund(std::string_view category, std::uint64_t bytes)
{
    const auto found = categories_.find(category);
    if (found == categories_.end())
        return;
    const std::uint64_t given = bytes < found->second ? bytes : found->second;
    found->second -= given;
    used_ -= given;
}

std::uint64_t MemoryBudget::used(std::string_view category) const
{
    const auto found = categories_.find(category);
    return found == categories_.end() ? 0 : found->second;
}

std::string byteSize(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (value == static_cast<double>(static_cast<std::uint64_t>(value)))
        std::snprintf(text, sizeof text, "%.0f %s", value, units[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

} // namespace vesk_host
