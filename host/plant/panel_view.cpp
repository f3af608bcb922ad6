#include "plant/panel_view.h"

#include <algorithm>
#include <vector>

#include "base/text_util.h"

namespace vesk_host {

namespace {

using Row = std::vector<std::string>;

// Left-aligned columns two blanks apart, each line indented two blanks; no trailing blanks.
std::string columns(const std::vector<Row>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.push_back(0);
            widths[i] = std::max(widths[i], row[i].size());
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += " " + row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - row[i].size() + 1, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += "\n" + line;
    }
    return out;
}

} // namespace

std::string panelTable(const LoadedPanel& panel)
{
    std::string out = "panel " + quoteText(panel.id) + ": " + quoteText(panel.file);
    if (!panel.title.empty())
        out += " (" + panel.title + ")";
    std::vector<Row> rows = {{"control", "property", "value"}};
    for (const auto& control : panel.controls) {
        if (control.properties.empty())
            rows.push_back({control.id, "-", ""});
        bool first = true;
        for (const auto& [name, value] : control.properties) {
            rows.push_back({first ? control.id : "", name, quoteText(value)});
            first = false;
        }
    }
    return out + columns(rows);
}

std::string panelsTable(const Panels& panels)
{
    if (panels.all().empty())
        return "no panel loaded";
    std::string out;
    for (const auto& [id, panel] : panels.all())
        out += (out.empty() ? "" : "\n") + panelTable(panel);
    return out;
}

std::string routesTable(const Plant& plant, const std::vector<std::string>* names)
{
    if (plant.routers.empty())
        return "no router in the plant";
    std::string out;
    for (const auto& router : plant.routers) {
        if (!out.empty())
            out += "\n";
        out += "router " + plant.describeDevice(router.device) + ": " + std::to_string(router.sources) +
               " sources, " + std::to_string(router.destinations) + " destinations; registered: ";
        std::string ranges;
        for (const Registration& range : router.registrations)
            ranges += (ranges.empty() ? "" : ", ") + std::to_string(range.first) + ".." + std::to_string(range.last) +
                      (names && range.position >= 0 && static_cast<std::size_t>(range.position) < names->size()
                           ? " @" + (*names)[static_cast<std::size_t>(range.position)]
                           : std::string());
        out += ranges.empty() ? "none" : ranges;
        std::vector<Row> rows = {{"destination", "source", "reads", "registered"}};
        for (std::int32_t destination = 0; destination < router.destinations; ++destination) {
            const std::int32_t source = router.crosspoints[static_cast<std::size_t>(destination)];
            const bool registered = router.registered(destination);
            if (source == 0 && !registered)
                continue;
            rows.push_back({std::to_string(destination), std::to_string(source), quoteText(router.sourceText(source)),
                            registered ? "yes" : "no"});
        }
        out += rows.size() > 1 ? columns(rows) : "\n  every destination on source 0, none registered";
    }
    return out;
}

std::string timersTable(const Timers& timers, const std::vector<std::string>* names)
{
    const auto running = timers.list();
    std::string out = "clock " + std::to_string(timers.now()) + " ms; ";
    if (running.empty())
        return out + "no timer running";
    out += std::to_string(running.size()) + " timer(s) running";
    std::vector<Row> rows = {{"timer", "interval", "next tick"}};
    if (names)
        rows.front().insert(rows.front().begin(), "position");
    for (const auto& timer : running) {
        rows.push_back({std::to_string(timer.id), std::to_string(timer.interval) + " ms",
                        "at " + std::to_string(timer.due) + " ms"});
        if (names)
            rows.back().insert(rows.back().begin(), static_cast<std::size_t>(timer.position) < names->size()
                                                        ? "@" + (*names)[static_cast<std::size_t>(timer.position)]
                                                        : std::string("?"));
    }
    return out + columns(rows);
}

} // namespace vesk_host
