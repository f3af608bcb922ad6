// Small text helpers shared by the emulator: safe reading of texts that a
// script hands over, quoting for the transcript, and strict number parsing.
#ifndef VESK_HOST_TEXT_UTIL_H
#define VESK_HOST_TEXT_UTIL_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesk_host {

// The most bytes the emulator reads from one text a script hands over. A
// text without a NUL within this many bytes is refused, so a missing NUL
// never sends the emulator on an unbounded read.
constexpr std::size_t maxScriptText = 65536;

// Length of `text` when its NUL lies within `limit` bytes, else nothing.
std::optional<std::size_t> boundedLength(const char* text, std::size_t limit = maxScriptText);

// The text in double quotes on one line: backslash, double quote, control
// bytes and bytes above 0x7e are escaped. Texts longer than `shown` bytes
// are cut there and the full length is noted after the closing quote.
// `whole` is the length of the text `text` was cut from, when it was.
std::string quoteText(std::string_view text, std::size_t shown = 1000, std::size_t whole = 0);

// Plain signed decimal: an optional '-', then digits only, within range.
std::optional<std::int32_t> parseInt32(std::string_view text);
std::optional<std::int64_t> parseInt64(std::string_view text);
// Why `text` is no 32-bit number, for messages: "must be a whole number",
// "is too large (at most 2147483647)" or "is too small (at least -2147483648)".
std::string int32Problem(std::string_view text);

// `text` as one cell of a Markdown table: every '|' escaped.
std::string markdownCell(std::string_view text);

} // namespace vesk_host

#endif
