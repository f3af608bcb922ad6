#include "commands/command_executor.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "base/files.h"
#include "base/text_util.h"
#include "plant/panel_file.h"
#include "plant/routing.h"

namespace vesk_host {

namespace {

void warn(Execution& execution, const Rule& rule, std::string message)
{
    execution.findings.push_back(Finding{&rule, std::move(message)});
}

// The part of a "PS" file name inside the panel folder: the script's path
// prefix is dropped; names that climb out of the folder, and names of no
// file at all, are refused with the reason.
Result<std::filesystem::path> insidePanelFolder(const std::string& path, const std::string& file)
{
    std::string name = file;
    if (!path.empty() && name.compare(0, path.size() + 1, path + "/") == 0)
        name.erase(0, path.size() + 1);
    const std::filesystem::path relative(name);
    if (relative.has_root_name() || relative.has_root_directory())
        return fail("the panel file " + quoteText(file) + " lies outside the panel folder");
    for (const auto& part : relative)
        if (part == "..")
            return fail("the panel file " + quoteText(file) + " lies outside the panel folder");
    if (name.empty() || !relative.has_filename())
        return fail(quoteText(file) + " names the panel folder, not a panel file in it");
    return relative;
}

// The file's real path (every link resolved) when it lies inside the panel
// folder's real path, so that a link in the folder cannot lead a run to
// read a file elsewhere.
Result<std::filesystem::path> realPathInside(const std::filesystem::path& folder, const std::filesystem::path& relative,
                                             const std::string& file)
{
    std::error_code error;
    const std::filesystem::path realFolder = std::filesystem::canonical(folder, error);
    if (error)
        return fail("the panel folder " + folder.string() + " cannot be read (" + error.message() + ")");
    const std::filesystem::path real = std::filesystem::weakly_canonical(realFolder / relative, error);
    if (error)
        return fail("the panel file " + quoteText(file) + " cannot be found in the panel folder " +
                    realFolder.string() + " (" + error.message() + ")");
    const auto [inFolder, inFile] = std::mismatch(realFolder.begin(), realFolder.end(), real.begin(), real.end());
    if (inFolder != realFolder.end() || inFile == real.end())
        return fail("the panel file " + quoteText(file) + " leads outside the panel folder " + realFolder.string() +
                    " (to " + real.string() + ")");
    return real;
}

// The panel file's layout, or why it cannot be had; messages name the folder on disk.
Result<PanelLayout> readPanelLayout(const CommandContext& context, const std::string& file)
{
    const auto relative = insidePanelFolder(context.path ? *context.path : context.plant.path, file);
    if (!relative)
        return relative.error();
    const auto real =
        realPathInside(context.panelFolder ? *context.panelFolder : context.plant.panelFolder, *relative, file);
    if (!real)
        return real.error();
    const std::string folder = real->parent_path().string();
    const auto text = readWholeFile(*real);
    if (!text)
        return fail("the panel file " + quoteText(file) + " in the folder " + folder + " " +
                    text.error().message.substr(text.error().message.rfind(": cannot be read") + 2));
    // The emulator's own failures (memory) are the host's, never the script's.
    try {
        auto layout = parsePanelFile(*text, file);
        if (!layout)
            return fail("the panel file is not valid: " + layout.error().message + " (read from the folder " + folder +
                        ")");
        return layout;
    } catch (const std::exception& error) {
        return fail("the emulator could not read the panel file " + quoteText(file) + " in the folder " + folder +
                    ": " + error.what());
    }
}

// The router on `device`, or null with a warning in `execution`.
Router* findRouter(Plant& plant, std::int32_t device, Execution& execution)
{
    if (Router* router = plant.router(device))
        return router;
    if (plant.deviceByNumber(device))
        warn(execution, rule::unknownDevice, plant.describeDevice(device) + " is not a router");
    else
        warn(execution, rule::unknownDevice, "the plant has no device " + std::to_string(device));
    return nullptr;
}

// The control, or null with a warning in `execution`.
LoadedControl* findControl(Panels& panels, const std::string& panelId, const std::string& controlId,
                           Execution& execution)
{
    LoadedPanel* panel = panels.find(panelId);
    if (!panel) {
        warn(execution, rule::unknownPanel, "no panel " + quoteText(panelId) + " has been loaded");
        return nullptr;
    }
    LoadedControl* control = panel->control(controlId);
    if (!control)
        warn(execution, rule::unknownControl, "panel " + quoteText(panelId) + " has no control " + quoteText(controlId));
    return control;
}

} // namespace

Execution execute(CommandContext& context, const ParsedCommand& command)
{
    return command.row->handler(context, command);
}

namespace commands {

Execution endScript(CommandContext&, const ParsedCommand&) { return Execution{}; }

Execution deviceLookup(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    if (const Device* device = context.plant.deviceByName(command.texts[0]))
        execution.reply = Reply::textReply(std::to_string(device->number));
    return execution;
}

Execution controlList(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    const LoadedPanel* panel = context.panels.find(command.texts[0]);
    if (!panel) {
        warn(execution, rule::unknownPanel, "no panel " + quoteText(command.texts[0]) + " has been loaded");
        return execution;
    }
    const std::string& pattern = command.texts[1];
    std::string list;
    bool any = false;
    for (const auto& control : panel->controls) {
        if (control.id.compare(0, pattern.size(), pattern) != 0)
            continue;
        list += (any ? "," : "") + control.id;
        any = true;
    }
    // No match answers null rather than an empty text, which a script could read as one empty identifier.
    if (any)
        execution.reply = Reply::textReply(list);
    return execution;
}

Execution panelLoad(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    execution.reply = Reply::statusReply(0);
    const std::string& file = command.texts[1];
    const auto layout = readPanelLayout(context, file);
    if (!layout) {
        warn(execution, rule::panelLoadFailed, layout.error().message);
        return execution;
    }
    context.panels.load(command.texts[0], file, *layout);
    context.events.emit(PanelLoaded{command.texts[0], file});
    execution.reply = Reply::statusReply(1);
    return execution;
}

Execution textSet(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    const std::string& assignment = command.texts[0];
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        warn(execution, rule::assignmentWithoutEquals,
             quoteText(assignment) + " has no \"=\"; no property was set");
        return execution;
    }
    if (LoadedControl* control = findControl(context.panels, command.texts[1], command.texts[2], execution)) {
        std::string property = assignment.substr(0, equals);
        std::string value = assignment.substr(equals + 1);
        control->properties[property] = value;
        context.events.emit(PropertyChanged{command.texts[1], command.texts[2], std::move(property), std::move(value)});
    }
    return execution;
}

Execution textGet(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    const LoadedControl* control = findControl(context.panels, command.texts[0], command.texts[1], execution);
    if (!control)
        return execution;
    const std::string& property = command.texts[2];
    if (property == "all") {
        std::string all;
        for (const auto& [key, value] : control->properties)
            all += (all.empty() ? "" : "\n") + key + "=" + value;
        execution.reply = Reply::textReply(all);
        return execution;
    }
    const auto found = control->properties.find(property);
    execution.reply = Reply::textReply(property + "=" + (found == control->properties.end() ? "" : found->second));
    return execution;
}

Execution routeSet(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    Router* router = findRouter(context.plant, command.numbers[0], execution);
    if (!router)
        return execution;
    const std::int32_t source = command.numbers[1];
    const std::int32_t destination = command.numbers[2];
    if (!router->hasSource(source) || !router->hasDestination(destination)) {
        warn(execution, rule::indexOutOfRange,
             context.plant.describeDevice(router->device) + " has sources 0.." + std::to_string(router->sources - 1) +
                 " and destinations 0.." + std::to_string(router->destinations - 1) + "; no crosspoint was made");
        return execution;
    }
    takeCrosspoint(*router, source, destination, context.queue);
    return execution;
}

Execution databaseRead(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    const std::int32_t device = command.numbers[0];
    const Database* database = context.plant.database(device, command.numbers[1]);
    if (!database) {
        if (!context.plant.deviceByNumber(device))
            warn(execution, rule::unknownDevice, "the plant has no device " + std::to_string(device));
        else
            warn(execution, rule::unknownDatabase,
                 context.plant.describeDevice(device) + " has no database " + std::to_string(command.numbers[1]));
        return execution;
    }
    const auto entry = database->entries.find(command.numbers[2]);
    if (entry != database->entries.end())
        execution.reply = Reply::textReply(entry->second);
    return execution;
}

Execution revertivePoll(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    const Router* router = findRouter(context.plant, command.numbers[0], execution);
    if (!router)
        return execution;
    if (pollDestinations(*router, command.numbers[1], command.numbers[2], context.queue, context.position) == 0)
        warn(execution, rule::indexOutOfRange,
             "no destination of " + context.plant.describeDevice(router->device) + " lies in " +
                 std::to_string(command.numbers[1]) + ".." + std::to_string(command.numbers[2]));
    return execution;
}

Execution revertiveRegister(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    Router* router = findRouter(context.plant, command.numbers[0], execution);
    if (!router)
        return execution;
    const std::int32_t first = command.numbers[1];
    const std::int32_t last = command.numbers[2];
    registerDestinations(*router, context.position, first, last, command.flagged);
    if (first > last || last < 0 || first >= router->destinations)
        warn(execution, rule::indexOutOfRange,
             "no destination of " + context.plant.describeDevice(router->device) + " lies in " + std::to_string(first) +
                 ".." + std::to_string(last));
    return execution;
}

Execution revertiveUnregister(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    if (Router* router = findRouter(context.plant, command.numbers[0], execution))
        unregisterDestinations(*router, context.position);
    return execution;
}

Execution timer(CommandContext& context, const ParsedCommand& command)
{
    Execution execution;
    const std::int32_t id = command.numbers[0];
    const std::int32_t interval = command.numbers.size() > 1 ? command.numbers[1] : 0;
    if (interval > 0) {
        context.timers.start(id, interval, context.position);
        context.events.emit(TimerStarted{id, interval});
        return execution;
    }
    if (interval < 0)
        warn(execution, rule::negativeInterval,
             "timer " + std::to_string(id) + " was given the interval " + std::to_string(interval) +
                 "; it is stopped");
    if (context.timers.stop(id, context.position))
        context.events.emit(TimerStopped{id});
    return execution;
}

} // namespace commands

} // namespace vesk_host
