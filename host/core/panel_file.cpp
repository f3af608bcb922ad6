#include "panel_file.h"

#include "text_util.h"
#include "toml_reading.h"

namespace vesk_host {

namespace {

PanelLayout readPanel(const toml::table& root)
{
    onlyKeys(root, {"title", "control"}, "the panel file");
    PanelLayout layout;
    if (const toml::node* title = root.get("title"))
        layout.title = readString(*title, "title");
    const toml::node* controls = root.get("control");
    if (!controls)
        throw DescriptionError(0, "a panel file needs at least one [[control]] section");
    for (const auto& section : readTableArray(*controls, "control")) {
        const toml::table& table = *section.as_table();
        const toml::node& idNode = requireKey(table, "id", "[[control]]");
        ControlLayout control;
        control.id = readString(idNode, "control.id");
        if (control.id.empty())
            throw DescriptionError(lineOf(idNode), "control.id must not be empty");
        for (const auto& other : layout.controls)
            if (other.id == control.id)
                throw DescriptionError(lineOf(idNode), "the control " + quoteText(control.id) + " is declared twice");
        for (const auto& [key, value] : table) {
            if (key.str() == "id")
                continue;
            if (key.str().empty() || key.str().find('=') != std::string_view::npos)
                throw DescriptionError(lineOf(key), "a property name is not empty and holds no \"=\"");
            control.properties[std::string(key.str())] =
                readPropertyText(value, "property " + quoteText(key.str()) + " of " + quoteText(control.id));
        }
        layout.controls.push_back(std::move(control));
    }
    return layout;
}

} // namespace

PanelFileRead parsePanelFile(std::string_view text, const std::string& name)
{
    PanelFileRead result;
    try {
        result.layout = readPanel(parseToml(text));
    } catch (const DescriptionError& error) {
        result.error = describeError(name, error);
    }
    return result;
}

} // namespace vesk_host
