#include "commands/command_table.h"

#include <array>
#include <vector>

#include "commands/command_executor.h"

namespace vesk_host {

namespace {

using S = ArgumentShape;
using R = ReplyKind;
using H = HandBack;

const std::array<CommandRow, 12> rows = {{
    {"AS", S::none, 0, 0, "AS", R::ignored, H::never, commands::endScript, "marks the script's end", "null"},
    {"SD", S::texts, 1, 1, "SD 'instance'", R::text, H::whenNotNull, commands::deviceLookup,
     "looks up the device instance", "its number as text, or null for an unknown name"},
    {"RN", S::numbers, 3, 3, "RN device database index", R::text, H::always, commands::databaseRead,
     "reads the database entry", "the entry's text, or null when there is none (a null reply comes back too)"},
    {"PS", S::texts, 2, 3, "PS 'panel' 'file' ['third']", R::status, H::never, commands::panelLoad,
     "loads the panel file into the panel (replacing it)",
     "status word 1, or 0 when the file is missing, invalid or outside the panel folder"},
    {"TP", S::texts, 3, 3, "TP 'property=value' 'panel' 'control'", R::ignored, H::never, commands::textSet,
     "sets the property (split at the first \"=\")", "null"},
    {"TG", S::texts, 3, 3, "TG 'panel' 'control' 'property'", R::text, H::whenNotNull, commands::textGet,
     "reads the property",
     "`property=value` (empty value when unset); for `all`, every `key=value`, one per line"},
    {"XI", S::texts, 2, 2, "XI 'panel' 'pattern'", R::list, H::whenNotNull, commands::controlList,
     "lists the panel's controls whose identifiers start with the pattern, in panel order",
     "the identifiers joined with \",\", or null when none matches"},
    {"RC", S::route, 4, 4, "RC device source destination ',extra' flag", R::ignored, H::never, commands::routeSet,
     "makes the crosspoint", "null"},
    {"RR", S::numbers, 3, 3, "RR device first last ['ADD']", R::ignored, H::never, commands::revertiveRegister,
     "registers the destinations for revertives, replacing the device's registrations (adding with `'ADD'`)",
     "null", "'ADD'"},
    {"RU", S::numbers, 1, 1, "RU device", R::ignored, H::never, commands::revertiveUnregister,
     "drops the device's registrations", "null"},
    {"RP", S::numbers, 3, 3, "RP device first last", R::ignored, H::never, commands::revertivePoll,
     "polls the router's destinations in the range", "null"},
    {"ET", S::numbers, 1, 2, "ET id [interval]", R::ignored, H::never, commands::timer,
     "starts (or restarts) the timer; without an interval, or with 0, stops it", "null"},
}};

} // namespace

const CommandRow* commandsBegin() { return rows.data(); }
const CommandRow* commandsEnd() { return rows.data() + rows.size(); }
std::size_t commandCount() { return rows.size(); }

const CommandRow* findCommand(std::string_view letters)
{
    // Every command has two letters: compared as such, this runs once per command a script sends.
    if (letters.size() != 2)
        return nullptr;
    for (const CommandRow& row : rows)
        if (letters[0] == row.letters[0] && letters[1] == row.letters[1])
            return &row;
    return nullptr;
}

bool repliesComeBack(std::string_view letters)
{
    const CommandRow* row = findCommand(letters);
    return row && row->handBack != HandBack::never;
}

std::string commandLetterList()
{
    std::string list;
    for (std::size_t i = 0; i < rows.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == rows.size() ? " or " : ", ") + rows[i].letters;
    return list;
}

std::string handedBackLetterList(const char* last)
{
    std::vector<std::string> letters;
    for (const CommandRow& row : rows)
        if (row.handBack != HandBack::never)
            letters.push_back(std::string("\"") + row.letters + "\"");
    std::string list;
    for (std::size_t i = 0; i < letters.size(); ++i)
        list += (i == 0 ? "" : i + 1 == letters.size() ? last : ", ") + letters[i];
    return list;
}

std::string commandTableMarkdown()
{
    std::string table = "| command | what happens | reply |\n|---|---|---|\n";
    for (const CommandRow& row : rows)
        table += std::string("| `") + row.form + "` | " + row.does + " | " + row.answers + " |\n";
    return table;
}

} // namespace vesk_host
