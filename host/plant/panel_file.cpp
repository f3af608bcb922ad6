#include "plant/panel_file.h"

#include <optional>
#include <unordered_set>

#include "base/text_util.h"
#include "plant/toml_reading.h"

namespace vesk_host {

namespace {

// Why a control identifier cannot work, or nothing. "XI" joins identifiers
// with ",", command texts are quoted with apostrophes and split at blanks,
// so an identifier holding any of those could never be read back by a script.
std::optional<std::string> idProblem(const std::string& id)
{
    for (const char c : id) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ',')
            return std::string("must not hold \",\" (\"XI\" joins identifiers with it)");
        if (c == '\'')
            return std::string("must not hold an apostrophe (command texts are quoted with it)");
        if (c == ' ')
            return std::string("must not hold a blank");
        if (byte < 0x20 || byte == 0x7f)
            return std::string("must not hold control characters");
    }
    return std::nullopt;
}

void readControl(TomlReader& toml, const toml::table& table, PanelLayout& layout,
                 std::unordered_set<std::string>& ids)
{
    const toml::node* idNode = toml.require(table, "id", "[[control]]");
    ControlLayout control;
    control.id = toml.string(idNode, "control.id");
    if (toml.failed())
        return;
    if (control.id.empty())
        return toml.fail(lineOf(*idNode), "control.id must not be empty");
    if (const auto problem = idProblem(control.id))
        return toml.fail(lineOf(*idNode), "control.id " + quoteText(control.id) + " " + *problem);
    if (!ids.insert(control.id).second)
        return toml.fail(lineOf(*idNode), "the control " + quoteText(control.id) + " is declared twice");
    for (const auto& [key, value] : table) {
        if (key.str() == "id")
            continue;
        if (key.str().empty() || key.str().find('=') != std::string_view::npos)
            return toml.fail(lineOf(key), "a property name is not empty and holds no \"=\"");
        std::string text = toml.propertyText(&value, "property " + quoteText(key.str()) + " of " + quoteText(control.id));
        if (toml.failed())
            return;
        control.properties[std::string(key.str())] = std::move(text);
    }
    layout.controls.push_back(std::move(control));
}

} // namespace

Result<PanelLayout> parsePanelFile(std::string_view text, const std::string& name)
{
    TomlReader toml(name);
    PanelLayout layout;
    if (const auto root = toml.parse(text)) {
        toml.onlyKeys(*root, {"title", "control"}, "the panel file");
        if (const toml::node* title = root->get("title"))
            layout.title = toml.string(title, "title");
        const toml::node* controls = root->get("control");
        if (!controls)
            toml.fail(0, "a panel file needs at least one [[control]] section");
        std::unordered_set<std::string> ids;
        if (const toml::array* sections = toml.tableArray(controls, "control"))
            for (const auto& section : *sections)
                if (!toml.failed())
                    readControl(toml, *section.as_table(), layout, ids);
    }
    if (toml.failed())
        return toml.error();
    return layout;
}

} // namespace vesk_host
