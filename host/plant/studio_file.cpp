#include "plant/studio_file.h"

#include "base/files.h"
#include "base/text_util.h"
#include "plant/toml_reading.h"

namespace vesk_host {

namespace {

bool nameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

std::string nameProblem(std::string_view name)
{
    return "a position's name is 1 to 64 letters, digits, \"_\", \"-\" or \".\", not " + quoteText(std::string(name));
}

} // namespace

bool positionNameValid(std::string_view name)
{
    if (name.empty() || name.size() > 64)
        return false;
    for (const char c : name)
        if (!nameCharacter(c))
            return false;
    return true;
}

Result<ScriptPosition> parseScriptPosition(std::string_view text, const std::filesystem::path& plantFolder)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return fail("a position is given as NAME=LIBRARY[,PATH], not " + quoteText(std::string(text)));
    ScriptPosition position;
    position.name = std::string(text.substr(0, equals));
    if (!positionNameValid(position.name))
        return fail(nameProblem(position.name));
    const std::string_view rest = text.substr(equals + 1);
    const std::size_t comma = rest.find(',');
    position.library = std::string(rest.substr(0, comma));
    if (position.library.empty())
        return fail("the position " + quoteText(std::string(text)) + " names no library");
    if (comma != std::string_view::npos) {
        position.path = std::string(rest.substr(comma + 1));
        position.panelFolder = plantFolder / *position.path;
    }
    return position;
}

Result<std::vector<ScriptPosition>> parseStudio(std::string_view text, const std::string& name,
                                                const std::filesystem::path& folder)
{
    TomlReader toml(name);
    std::vector<ScriptPosition> positions;
    const auto root = toml.parse(text);
    if (root) {
        toml.onlyKeys(*root, {"position"}, "the studio file");
        const toml::array* list = toml.tableArray(toml.require(*root, "position", "the studio file"), "position");
        for (std::size_t i = 0; list && !toml.failed() && i < list->size(); ++i) {
            const toml::table* table = (*list)[i].as_table();
            if (!table)
                break;
            toml.onlyKeys(*table, {"name", "library", "path", "panel_folder"}, "[[position]]");
            ScriptPosition position;
            position.name = toml.string(toml.require(*table, "name", "[[position]]"), "position.name");
            if (!toml.failed() && !positionNameValid(position.name))
                toml.fail(lineOf(*table->get("name")), nameProblem(position.name));
            const std::string library =
                toml.string(toml.require(*table, "library", "[[position]]"), "position.library");
            if (!toml.failed() && library.empty())
                toml.fail(lineOf(*table->get("library")), "position.library is empty; name the script library");
            position.library = (folder / library).lexically_normal().string();
            if (const toml::node* path = table->get("path")) {
                position.path = toml.string(path, "position.path");
                position.panelFolder = folder / *position.path;
            }
            if (const toml::node* panels = table->get("panel_folder"))
                position.panelFolder = folder / toml.string(panels, "position.panel_folder");
            if (!toml.failed() && position.panelFolder && !position.path)
                toml.fail(lineOf(*table), "[[position]] " + quoteText(position.name) +
                                              " gives a panel_folder without the path text its script is handed");
            positions.push_back(std::move(position));
        }
    }
    if (toml.failed())
        return toml.error();
    if (const Status checked = checkPositions(positions); !checked)
        return placed(name, checked.error());
    return positions;
}

Result<std::vector<ScriptPosition>> loadStudioFile(const std::filesystem::path& file)
{
    auto text = readWholeFile(file);
    if (!text)
        return text.error();
    return parseStudio(*text, file.string(), file.parent_path());
}

Status checkPositions(const std::vector<ScriptPosition>& positions)
{
    if (positions.size() > mostPositions)
        return fail("a studio has at most " + std::to_string(mostPositions) + " positions");
    for (std::size_t i = 0; i < positions.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (positions[i].name == positions[j].name)
                return fail("the position " + quoteText(positions[i].name) + " is given twice");
    return Done{};
}

Result<std::vector<ScriptPosition>> studioPositions(const std::vector<std::string>& scripts,
                                                    const std::string& studioFile,
                                                    const std::filesystem::path& plantFolder)
{
    if (!studioFile.empty())
        return loadStudioFile(studioFile);
    std::vector<ScriptPosition> positions;
    for (const std::string& script : scripts) {
        auto position = parseScriptPosition(script, plantFolder);
        if (!position)
            return position.error();
        positions.push_back(std::move(*position));
    }
    if (const Status checked = checkPositions(positions); !checked)
        return checked.error();
    return positions;
}

std::string studioOptionsProblem(const std::string& library, const std::vector<std::string>& scripts,
                                 const std::string& studioFile)
{
    const bool studio = !scripts.empty() || !studioFile.empty();
    if (!scripts.empty() && !studioFile.empty())
        return "a studio is given with --script or with --studio, not both";
    if (studio && !library.empty())
        return "a studio names its libraries with --script or --studio; " + library + " is one too many";
    return std::string();
}

} // namespace vesk_host
