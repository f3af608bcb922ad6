#include "web/child_protocol.h"

#include <cstring>

namespace vesk_host::web {

namespace {

bool validUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        unsigned least = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
            extra = 3;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        unsigned code = c & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> stringField(const Json& json, const char* name)
{
    const auto it = json.find(name);
    if (it == json.end())
        return std::nullopt;
    return bytesFromJson(*it);
}

} // namespace

Json bytesJson(const std::string& text)
{
    if (validUtf8(text))
        return text;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return Json{{"hex", hex}};
}

std::optional<std::string> bytesFromJson(const Json& json)
{
    if (json.is_string())
        return json.get<std::string>();
    if (!json.is_object() || json.size() != 1 || !json.contains("hex") || !json["hex"].is_string())
        return std::nullopt;
    const std::string& hex = json["hex"].get_ref<const std::string&>();
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string text;
    text.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        text += static_cast<char>(high * 16 + low);
    }
    return text;
}

Json factsJson(const ActionFacts& facts)
{
    Json json;
    json["kind"] = "facts";
    // A studio's commands carry their positions in a list beside them.
    Json commands = Json::array();
    Json positions = Json::array();
    bool studio = false;
    for (const CommandFact& command : facts.commands) {
        commands.push_back(bytesJson(command.text));
        positions.push_back(command.position);
        studio = studio || !command.position.empty();
    }
    json["commands"] = std::move(commands);
    if (studio)
        json["positions"] = std::move(positions);
    Json properties = Json::array();
    for (const PropertyFact& fact : facts.properties) {
        Json property = {{"panel", bytesJson(fact.panel)},
                         {"control", bytesJson(fact.control)},
                         {"property", bytesJson(fact.property)},
                         {"value", bytesJson(fact.value)}};
        if (!fact.position.empty())
            property["position"] = fact.position;
        properties.push_back(std::move(property));
    }
    json["properties"] = std::move(properties);
    if (facts.answer)
        json["answer"] = *facts.answer ? bytesJson(**facts.answer) : Json(nullptr);
    json["complete"] = facts.complete;
    return json;
}

std::optional<ActionFacts> factsFromJson(const Json& json)
{
    if (!json.is_object() || json.value("kind", "") != "facts")
        return std::nullopt;
    const auto commands = json.find("commands");
    const auto properties = json.find("properties");
    const auto complete = json.find("complete");
    if (commands == json.end() || !commands->is_array() || properties == json.end() || !properties->is_array() ||
        complete == json.end() || !complete->is_boolean())
        return std::nullopt;
    const auto positions = json.find("positions");
    const bool studio = positions != json.end();
    if (studio && (!positions->is_array() || positions->size() != commands->size()))
        return std::nullopt;
    ActionFacts facts;
    facts.complete = complete->get<bool>();
    for (std::size_t at = 0; at < commands->size(); ++at) {
        auto text = bytesFromJson((*commands)[at]);
        if (!text)
            return std::nullopt;
        std::string position;
        if (studio) {
            if (!(*positions)[at].is_string())
                return std::nullopt;
            position = (*positions)[at].get<std::string>();
        }
        facts.commands.push_back({std::move(*text), std::move(position)});
    }
    for (const Json& property : *properties) {
        if (!property.is_object())
            return std::nullopt;
        auto panel = stringField(property, "panel");
        auto control = stringField(property, "control");
        auto name = stringField(property, "property");
        auto value = stringField(property, "value");
        if (!panel || !control || !name || !value)
            return std::nullopt;
        std::string position;
        if (const auto named = property.find("position"); named != property.end()) {
            if (!named->is_string())
                return std::nullopt;
            position = named->get<std::string>();
        }
        facts.properties.push_back(
            {std::move(*panel), std::move(*control), std::move(*name), std::move(*value), std::move(position)});
    }
    if (const auto answer = json.find("answer"); answer != json.end()) {
        if (answer->is_null()) {
            facts.answer = std::optional<std::string>();
        } else {
            auto text = bytesFromJson(*answer);
            if (!text)
                return std::nullopt;
            facts.answer = std::optional<std::string>(std::move(*text));
        }
    }
    return facts;
}

void LineSplitter::feed(const char* bytes, std::size_t size, std::vector<std::string>& lines)
{
    std::size_t start = 0;
    while (start < size && !overlong_) {
        const void* found = std::memchr(bytes + start, '\n', size - start);
        const std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes) : size;
        if (pending_.size() + (end - start) > maxLine_) {
            overlong_ = true;
            pending_.clear();
            return;
        }
        pending_.append(bytes + start, end - start);
        if (!found)
            return;
        lines.push_back(std::move(pending_));
        pending_.clear();
        start = end + 1;
    }
}

} // namespace vesk_host::web
