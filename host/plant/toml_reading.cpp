#include "plant/toml_reading.h"

#include "base/text_util.h"
#include "plant/toml_bounds.h"

namespace vesk_host {

int lineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

int lineOf(const toml::key& key) { return static_cast<int>(key.source().begin.line); }

void TomlReader::fail(int line, const std::string& message) { fail(line, vesk_host::fail(message)); }

void TomlReader::fail(int line, Error error)
{
    if (!error_)
        error_ = placed(line <= 0 ? file_ : file_ + ":" + std::to_string(line), std::move(error));
}

namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The TOML library's wording of the common mistakes, in the emulator's words.
std::string reworded(std::string_view description)
{
    if (contains(description, "expected '='"))
        return "a key must be followed by \"=\" and a value";
    if (contains(description, "expected value"))
        return "a \"=\" must be followed by a value";
    if (contains(description, "cannot redefine existing")) {
        const std::size_t quote = description.find('\'');
        const std::size_t end = quote == std::string_view::npos ? quote : description.find('\'', quote + 1);
        if (end != std::string_view::npos)
            return "the key " + quoteText(description.substr(quote + 1, end - quote - 1)) +
                   " is given twice (or as a table and a value)";
        return "a key is given twice (or as a table and a value)";
    }
    if (contains(description, "is not representable in 64 bits"))
        return "a number is too large (at most 9223372036854775807)";
    return std::string(description);
}

} // namespace

std::optional<toml::table> TomlReader::parse(std::string_view text)
{
    if (Status bounded = checkTomlBounds(text, file_); !bounded) {
        if (!error_)
            error_ = bounded.error();
        return std::nullopt;
    }
    try {
        return toml::parse(text);
    } catch (const toml::parse_error& error) {
        fail(static_cast<int>(error.source().begin.line), reworded(error.description()));
        return std::nullopt;
    }
}

void TomlReader::onlyKeys(const toml::table& table, std::initializer_list<std::string_view> allowed,
                          const std::string& where)
{
    for (const auto& [key, value] : table) {
        bool known = false;
        std::string list;
        for (const auto name : allowed) {
            known = known || key.str() == name;
            list += (list.empty() ? "" : ", ") + std::string(name);
        }
        if (!known)
            fail(lineOf(key), "unknown key " + quoteText(key.str()) + " in " + where + " (known keys: " + list + ")");
    }
}

const toml::node* TomlReader::require(const toml::table& table, std::string_view key, const std::string& where)
{
    const toml::node* node = table.get(key);
    if (!node)
        fail(lineOf(table), where + " needs the key " + quoteText(key));
    return node;
}

std::string TomlReader::string(const toml::node* node, const std::string& where)
{
    if (!node)
        return std::string();
    if (!node->is_string()) {
        fail(lineOf(*node), where + " must be a text in quotes");
        return std::string();
    }
    return std::string(node->as_string()->get());
}

std::int64_t TomlReader::integer(const toml::node* node, const std::string& where)
{
    if (!node)
        return 0;
    if (!node->is_integer()) {
        fail(lineOf(*node), where + " must be a whole number");
        return 0;
    }
    return node->as_integer()->get();
}

std::int32_t TomlReader::int32(const toml::node* node, const std::string& where, std::int64_t least, std::int64_t most)
{
    const std::int64_t value = integer(node, where);
    if (node && node->is_integer() && (value < least || value > most)) {
        fail(lineOf(*node), where + " must lie between " + std::to_string(least) + " and " + std::to_string(most) +
                                ", not " + std::to_string(value));
        return static_cast<std::int32_t>(least);
    }
    return static_cast<std::int32_t>(value);
}

std::string TomlReader::propertyText(const toml::node* node, const std::string& where)
{
    if (!node)
        return std::string();
    if (node->is_string())
        return std::string(node->as_string()->get());
    if (node->is_integer())
        return std::to_string(node->as_integer()->get());
    if (node->is_boolean())
        return node->as_boolean()->get() ? "1" : "0";
    fail(lineOf(*node), where + " must be a text, a whole number or true/false");
    return std::string();
}

const toml::table* TomlReader::table(const toml::node* node, const std::string& where)
{
    if (!node)
        return nullptr;
    if (!node->is_table()) {
        fail(lineOf(*node), where + " must be a table, such as { 1 = \"...\" }");
        return nullptr;
    }
    return node->as_table();
}

const toml::array* TomlReader::tableArray(const toml::node* node, const std::string& name)
{
    if (!node)
        return nullptr;
    const toml::array* array = node->as_array();
    if (!array || !array->is_array_of_tables()) {
        fail(lineOf(*node), quoteText(name) + " must be written as [[" + name + "]] sections");
        return nullptr;
    }
    return array;
}

std::int32_t TomlReader::numberKey(const toml::key& key, const std::string& where)
{
    const auto number = parseInt32(key.str());
    if (!number) {
        const std::string problem = int32Problem(key.str());
        fail(lineOf(key), where + ": the key " + quoteText(key.str()) + " " +
                              (problem == "must be a whole number" ? "must be a number" : problem));
        return 0;
    }
    return *number;
}

} // namespace vesk_host
