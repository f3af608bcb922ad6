// Shared reading of the emulator's TOML descriptions (plant and panel
// files). A TomlReader keeps the first problem it meets, with its line;
// every read after that returns an empty value and changes nothing, so a
// reader walks on and the caller reports the one cause as
// "file:line: what is wrong".
#ifndef VESK_HOST_TOML_READING_H
#define VESK_HOST_TOML_READING_H

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// The TOML library throws a syntax error as toml::parse_error; parse()
// catches it, so no exception leaves this reader. Native builds link the
// system's compiled copy of the library; cross builds use it header-only
// (the target vesk_toml chooses).
#include <toml++/toml.h>

#include "base/result.h"

namespace vesk_host {

int lineOf(const toml::node& node);
int lineOf(const toml::key& key);

class TomlReader {
public:
    // `file` names the file in messages.
    explicit TomlReader(std::string file) : file_(std::move(file)) {}

    // Parses `text`; a syntax error becomes the reader's problem.
    std::optional<toml::table> parse(std::string_view text);

    bool failed() const { return error_.has_value(); }
    // "file:line: message" (or "file: message" for line 0).
    const Error& error() const { return *error_; }
    // Records a problem unless one is recorded already: an input that is
    // wrong, or (with its kind kept) a failure met while reading at `line`.
    void fail(int line, const std::string& message);
    void fail(int line, Error error);

    // Refuses any key of `table` not in `allowed`, naming the ones that are.
    void onlyKeys(const toml::table& table, std::initializer_list<std::string_view> allowed, const std::string& where);

    // Typed reads: `where` names the value in messages ("device.number").
    // A null node (a key that was required but missing) reads as empty.
    const toml::node* require(const toml::table& table, std::string_view key, const std::string& where);
    std::string string(const toml::node* node, const std::string& where);
    std::int64_t integer(const toml::node* node, const std::string& where);
    std::int32_t int32(const toml::node* node, const std::string& where, std::int64_t least, std::int64_t most);
    // A property value: text, integer or boolean, as text.
    std::string propertyText(const toml::node* node, const std::string& where);
    const toml::table* table(const toml::node* node, const std::string& where);
    // An array of tables written as [[name]]; null when it is something else.
    const toml::array* tableArray(const toml::node* node, const std::string& name);
    // A key of an inline table that stands for a 32-bit number ("12 = ...").
    std::int32_t numberKey(const toml::key& key, const std::string& where);

private:
    std::string file_;
    std::optional<Error> error_;
};

} // namespace vesk_host

#endif
