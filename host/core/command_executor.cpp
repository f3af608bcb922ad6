#include "command_executor.h"

#include <filesystem>

#include "files.h"
#include "routing.h"
#include "text_util.h"

namespace vesk_host {

namespace {

Reply textReply(std::string text)
{
    Reply reply;
    reply.kind = Reply::Kind::text;
    reply.text = std::move(text);
    return reply;
}

Reply statusReply(std::intptr_t status)
{
    Reply reply;
    reply.kind = Reply::Kind::status;
    reply.status = status;
    return reply;
}

void warn(Execution& execution, const Rule& rule, std::string message)
{
    execution.findings.push_back(Finding{&rule, std::move(message)});
}

// The part of a "PS" file name inside the panel folder: the script's path
// prefix is dropped; names that climb out of the folder are refused.
std::optional<std::filesystem::path> insidePanelFolder(const std::string& path, const std::string& file)
{
    std::string name = file;
    if (!path.empty() && name.compare(0, path.size() + 1, path + "/") == 0)
        name.erase(0, path.size() + 1);
    const std::filesystem::path relative(name);
    if (name.empty() || relative.has_root_name() || relative.has_root_directory())
        return std::nullopt;
    for (const auto& part : relative)
        if (part == "..")
            return std::nullopt;
    return relative;
}

} // namespace

CommandExecutor::CommandExecutor(Plant& plant, Panels& panels, Timers& timers, EventQueue& queue)
    : plant_(plant), panels_(panels), timers_(timers), queue_(queue)
{
}

Execution CommandExecutor::execute(const CommandText& command)
{
    const std::string& letters = command.letters;
    if (letters == "SD")
        return deviceLookup(command);
    if (letters == "XI")
        return controlList(command);
    if (letters == "PS")
        return panelLoad(command);
    if (letters == "TP")
        return textSet(command);
    if (letters == "TG")
        return textGet(command);
    if (letters == "RC")
        return routeSet(command);
    if (letters == "RN")
        return databaseRead(command);
    if (letters == "RP")
        return revertivePoll(command);
    if (letters == "RR")
        return revertiveRegister(command);
    if (letters == "RU")
        return revertiveUnregister(command);
    if (letters == "ET")
        return timer(command);
    return Execution{};  // "AS"
}

Router* CommandExecutor::findRouter(std::int32_t device, Execution& execution)
{
    if (Router* router = plant_.router(device))
        return router;
    if (plant_.deviceByNumber(device))
        warn(execution, rule::unknownDevice, plant_.describeDevice(device) + " is not a router");
    else
        warn(execution, rule::unknownDevice, "the plant has no device " + std::to_string(device));
    return nullptr;
}

LoadedControl* CommandExecutor::findControl(const std::string& panelId, const std::string& controlId,
                                            Execution& execution)
{
    LoadedPanel* panel = panels_.find(panelId);
    if (!panel) {
        warn(execution, rule::unknownPanel, "no panel " + quoteText(panelId) + " has been loaded");
        return nullptr;
    }
    LoadedControl* control = panel->control(controlId);
    if (!control)
        warn(execution, rule::unknownControl, "panel " + quoteText(panelId) + " has no control " + quoteText(controlId));
    return control;
}

Execution CommandExecutor::deviceLookup(const CommandText& command)
{
    Execution execution;
    if (const Device* device = plant_.deviceByName(command.texts[0]))
        execution.reply = textReply(std::to_string(device->number));
    return execution;
}

Execution CommandExecutor::controlList(const CommandText& command)
{
    Execution execution;
    const LoadedPanel* panel = panels_.find(command.texts[0]);
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
        execution.reply = textReply(list);
    return execution;
}

Execution CommandExecutor::panelLoad(const CommandText& command)
{
    Execution execution;
    execution.reply = statusReply(0);
    const std::string& file = command.texts[1];
    const auto relative = insidePanelFolder(plant_.path, file);
    if (!relative) {
        warn(execution, rule::panelLoadFailed, "the panel file " + quoteText(file) + " lies outside the panel folder");
        return execution;
    }
    const auto text = readWholeFile(plant_.panelFolder / *relative);
    if (!text) {
        warn(execution, rule::panelLoadFailed, "no panel file " + quoteText(file) + " in the panel folder");
        return execution;
    }
    const PanelFileRead read = parsePanelFile(*text, file);
    if (!read.layout) {
        warn(execution, rule::panelLoadFailed, "the panel file is not valid: " + read.error);
        return execution;
    }
    panels_.load(command.texts[0], file, *read.layout);
    execution.reply = statusReply(1);
    return execution;
}

Execution CommandExecutor::textSet(const CommandText& command)
{
    Execution execution;
    const std::string& assignment = command.texts[0];
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        warn(execution, rule::assignmentWithoutEquals,
             quoteText(assignment) + " has no \"=\"; no property was set");
        return execution;
    }
    if (LoadedControl* control = findControl(command.texts[1], command.texts[2], execution))
        control->properties[assignment.substr(0, equals)] = assignment.substr(equals + 1);
    return execution;
}

Execution CommandExecutor::textGet(const CommandText& command)
{
    Execution execution;
    const LoadedControl* control = findControl(command.texts[0], command.texts[1], execution);
    if (!control)
        return execution;
    const std::string& property = command.texts[2];
    if (property == "all") {
        std::string all;
        for (const auto& [key, value] : control->properties)
            all += (all.empty() ? "" : "\n") + key + "=" + value;
        execution.reply = textReply(all);
        return execution;
    }
    const auto found = control->properties.find(property);
    execution.reply = textReply(property + "=" + (found == control->properties.end() ? "" : found->second));
    return execution;
}

Execution CommandExecutor::routeSet(const CommandText& command)
{
    Execution execution;
    Router* router = findRouter(command.numbers[0], execution);
    if (!router)
        return execution;
    const std::int32_t source = command.numbers[1];
    const std::int32_t destination = command.numbers[2];
    if (!router->hasSource(source) || !router->hasDestination(destination)) {
        warn(execution, rule::indexOutOfRange,
             plant_.describeDevice(router->device) + " has sources 0.." + std::to_string(router->sources - 1) +
                 " and destinations 0.." + std::to_string(router->destinations - 1) + "; no crosspoint was made");
        return execution;
    }
    takeCrosspoint(*router, source, destination, queue_);
    return execution;
}

Execution CommandExecutor::databaseRead(const CommandText& command)
{
    Execution execution;
    const std::int32_t device = command.numbers[0];
    const Database* database = plant_.database(device, command.numbers[1]);
    if (!database) {
        if (!plant_.deviceByNumber(device))
            warn(execution, rule::unknownDevice, "the plant has no device " + std::to_string(device));
        else
            warn(execution, rule::unknownDatabase,
                 plant_.describeDevice(device) + " has no database " + std::to_string(command.numbers[1]));
        return execution;
    }
    const auto entry = database->entries.find(command.numbers[2]);
    if (entry != database->entries.end())
        execution.reply = textReply(entry->second);
    return execution;
}

Execution CommandExecutor::revertivePoll(const CommandText& command)
{
    Execution execution;
    const Router* router = findRouter(command.numbers[0], execution);
    if (!router)
        return execution;
    if (pollDestinations(*router, command.numbers[1], command.numbers[2], queue_) == 0)
        warn(execution, rule::indexOutOfRange,
             "no destination of " + plant_.describeDevice(router->device) + " lies in " +
                 std::to_string(command.numbers[1]) + ".." + std::to_string(command.numbers[2]));
    return execution;
}

Execution CommandExecutor::revertiveRegister(const CommandText& command)
{
    Execution execution;
    Router* router = findRouter(command.numbers[0], execution);
    if (!router)
        return execution;
    const std::int32_t first = command.numbers[1];
    const std::int32_t last = command.numbers[2];
    if (!command.add)
        router->registrations.clear();
    router->registrations.emplace_back(first, last);
    if (first > last || last < 0 || first >= router->destinations)
        warn(execution, rule::indexOutOfRange,
             "no destination of " + plant_.describeDevice(router->device) + " lies in " + std::to_string(first) +
                 ".." + std::to_string(last));
    return execution;
}

Execution CommandExecutor::revertiveUnregister(const CommandText& command)
{
    Execution execution;
    if (Router* router = findRouter(command.numbers[0], execution))
        router->registrations.clear();
    return execution;
}

Execution CommandExecutor::timer(const CommandText& command)
{
    Execution execution;
    const std::int32_t id = command.numbers[0];
    const std::int32_t interval = command.numbers.size() > 1 ? command.numbers[1] : 0;
    if (interval > 0) {
        timers_.start(id, interval);
        return execution;
    }
    if (interval < 0)
        warn(execution, rule::negativeInterval,
             "timer " + std::to_string(id) + " was given the interval " + std::to_string(interval) +
                 "; it is stopped");
    timers_.stop(id);
    return execution;
}

} // namespace vesk_host
