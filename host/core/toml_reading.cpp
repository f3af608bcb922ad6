#include "toml_reading.h"

#include "text_util.h"

namespace vesk_host {

toml::table parseToml(std::string_view text)
{
    try {
        return toml::parse(text);
    } catch (const toml::parse_error& error) {
        throw DescriptionError(static_cast<int>(error.source().begin.line), std::string(error.description()));
    }
}

std::string describeError(const std::string& file, const DescriptionError& error)
{
    if (error.line <= 0)
        return file + ": " + error.what();
    return file + ":" + std::to_string(error.line) + ": " + error.what();
}

int lineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

int lineOf(const toml::key& key) { return static_cast<int>(key.source().begin.line); }

void onlyKeys(const toml::table& table, std::initializer_list<std::string_view> allowed, const std::string& where)
{
    for (const auto& [key, value] : table) {
        bool known = false;
        std::string list;
        for (const auto name : allowed) {
            known = known || key.str() == name;
            list += (list.empty() ? "" : ", ") + std::string(name);
        }
        if (!known)
            throw DescriptionError(lineOf(key), "unknown key " + quoteText(key.str()) + " in " + where +
                                                    " (known keys: " + list + ")");
    }
}

const toml::node& requireKey(const toml::table& table, std::string_view key, const std::string& where)
{
    const toml::node* node = table.get(key);
    if (!node)
        throw DescriptionError(lineOf(table), where + " needs the key " + quoteText(key));
    return *node;
}

std::string readString(const toml::node& node, const std::string& where)
{
    if (!node.is_string())
        throw DescriptionError(lineOf(node), where + " must be a text in quotes");
    return std::string(node.as_string()->get());
}

std::int64_t readInteger(const toml::node& node, const std::string& where)
{
    if (!node.is_integer())
        throw DescriptionError(lineOf(node), where + " must be a whole number");
    return node.as_integer()->get();
}

std::int32_t readInt32(const toml::node& node, const std::string& where, std::int64_t least, std::int64_t most)
{
    const std::int64_t value = readInteger(node, where);
    if (value < least || value > most)
        throw DescriptionError(lineOf(node), where + " must lie between " + std::to_string(least) + " and " +
                                                 std::to_string(most) + ", not " + std::to_string(value));
    return static_cast<std::int32_t>(value);
}

std::string readPropertyText(const toml::node& node, const std::string& where)
{
    if (node.is_string())
        return std::string(node.as_string()->get());
    if (node.is_integer())
        return std::to_string(node.as_integer()->get());
    if (node.is_boolean())
        return node.as_boolean()->get() ? "1" : "0";
    throw DescriptionError(lineOf(node), where + " must be a text, a whole number or true/false");
}

const toml::table& readTable(const toml::node& node, const std::string& where)
{
    if (!node.is_table())
        throw DescriptionError(lineOf(node), where + " must be a table, such as { 1 = \"...\" }");
    return *node.as_table();
}

const toml::array& readTableArray(const toml::node& node, const std::string& name)
{
    const toml::array* array = node.as_array();
    if (!array || !array->is_array_of_tables())
        throw DescriptionError(lineOf(node), quoteText(name) + " must be written as [[" + name + "]] sections");
    return *array;
}

std::int32_t readNumberKey(const toml::key& key, const std::string& where)
{
    const auto number = parseInt32(key.str());
    if (!number)
        throw DescriptionError(lineOf(key), where + ": the key " + quoteText(key.str()) + " must be a number");
    return *number;
}

} // namespace vesk_host
