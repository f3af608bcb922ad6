// Shared reading of the emulator's TOML descriptions (plant and panel
// files): every problem becomes a DescriptionError that names the line and
// says what is wrong, so callers can report "file:line: message".
#ifndef VESK_HOST_TOML_READING_H
#define VESK_HOST_TOML_READING_H

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include <toml++/toml.h>

namespace vesk_host {

struct DescriptionError : std::runtime_error {
    DescriptionError(int line, const std::string& message) : std::runtime_error(message), line(line) {}
    int line;  // 0 when the problem concerns the whole file
};

// Parses TOML text; syntax errors become DescriptionErrors.
toml::table parseToml(std::string_view text);

// "file:line: message" (or "file: message" for line 0).
std::string describeError(const std::string& file, const DescriptionError& error);

int lineOf(const toml::node& node);
int lineOf(const toml::key& key);

// Refuses any key of `table` not in `allowed`, naming the ones that are.
void onlyKeys(const toml::table& table, std::initializer_list<std::string_view> allowed, const std::string& where);

// Typed reads: `where` names the value in messages ("device.number").
const toml::node& requireKey(const toml::table& table, std::string_view key, const std::string& where);
std::string readString(const toml::node& node, const std::string& where);
std::int64_t readInteger(const toml::node& node, const std::string& where);
std::int32_t readInt32(const toml::node& node, const std::string& where, std::int64_t least, std::int64_t most);
// A property value: text, integer or boolean, as text.
std::string readPropertyText(const toml::node& node, const std::string& where);
const toml::table& readTable(const toml::node& node, const std::string& where);
// An array of tables written as [[name]].
const toml::array& readTableArray(const toml::node& node, const std::string& name);
// A key of an inline table that stands for a 32-bit number ("12 = ...").
std::int32_t readNumberKey(const toml::key& key, const std::string& where);

} // namespace vesk_host

#endif
