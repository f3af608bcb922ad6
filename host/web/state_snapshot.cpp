#include "web/state_snapshot.h"

namespace vesk_host::web {

namespace {

using Json = nlohmann::ordered_json;

Json panelsJson(const Panels& panels)
{
    Json list = Json::array();
    for (const auto& [id, panel] : panels.all()) {
        Json controls = Json::array();
        std::size_t left = 0;
        for (const LoadedControl& control : panel.controls) {
            if (controls.size() >= maxEntries) {
                ++left;
                continue;
            }
            Json properties = Json::object();
            std::size_t shown = 0;
            for (const auto& [name, value] : control.properties)
                if (shown++ < maxEntries)
                    properties[shownText(name)] = shownText(value);
            Json entry = {{"id", shownText(control.id)}, {"properties", std::move(properties)}};
            if (control.properties.size() > maxEntries)
                entry["more_properties"] = control.properties.size() - maxEntries;
            controls.push_back(std::move(entry));
        }
        Json entry = {{"id", shownText(id)},
                      {"file", shownText(panel.file)},
                      {"title", shownText(panel.title)},
                      {"controls", std::move(controls)}};
        if (left > 0)
            entry["more_controls"] = left;
        list.push_back(std::move(entry));
    }
    return list;
}

Json routersJson(const Plant& plant)
{
    Json list = Json::array();
    for (const Router& router : plant.routers) {
        Json crosspoints = Json::array();
        std::size_t left = 0;
        for (std::int32_t destination = 0; destination < router.destinations; ++destination) {
            const auto at = static_cast<std::size_t>(destination);
            const std::int32_t source = at < router.crosspoints.size() ? router.crosspoints[at] : 0;
            const bool registered = router.registered(destination);
            if (source == 0 && !registered)
                continue;
            if (crosspoints.size() >= maxEntries) {
                ++left;
                continue;
            }
            crosspoints.push_back({{"destination", destination},
                                   {"source", source},
                                   {"reads", shownText(router.sourceText(source))},
                                   {"registered", registered}});
        }
        Json registrations = Json::array();
        for (const Registration& range : router.registrations)
            if (registrations.size() < maxEntries)
                registrations.push_back({range.first, range.last});
        Json entry = {{"device", router.device},
                      {"name", shownText(plant.describeDevice(router.device))},
                      {"sources", router.sources},
                      {"destinations", router.destinations},
                      {"crosspoints", std::move(crosspoints)},
                      {"registrations", std::move(registrations)}};
        if (left > 0)
            entry["more_crosspoints"] = left;
        list.push_back(std::move(entry));
    }
    return list;
}

Json rulesJson(const FindingTally& findings)
{
    Json rules = Json::array();
    for (const FindingTally::Count& count : findings.counts())
        rules.push_back({{"rule", count.rule->name},
                         {"severity", severityName(count.rule->severity)},
                         {"times", count.times},
                         {"first", shownText(count.first)}});
    return rules;
}

Json positionsJson(const Emulator& emulator, const PositionTallies& byPosition)
{
    Json list = Json::array();
    for (std::size_t at = 0; at < emulator.positionCount() && at < maxEntries; ++at) {
        Json entry = {{"name", shownText(emulator.positionName(at))},
                      {"running", emulator.running(at)},
                      {"panels", panelsJson(emulator.panels(at))},
                      {"outstanding_replies", emulator.host(at).outstandingReplies()},
                      {"replies_handed_out", emulator.host(at).repliesHandedOut()}};
        if (at < byPosition.size()) {
            const FindingTally& findings = byPosition.at(at);
            entry["violations"] = findings.violations();
            entry["warnings"] = findings.warnings();
            entry["rules"] = rulesJson(findings);
        }
        list.push_back(std::move(entry));
    }
    return list;
}

} // namespace

std::string shownText(const std::string& text)
{
    if (text.size() <= maxText)
        return text;
    std::size_t cut = maxText;
    // Not inside a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + " ... (" + std::to_string(text.size()) + " bytes)";
}

nlohmann::ordered_json stateSnapshot(const Emulator& emulator, const FindingTally& findings,
                                     const PositionTallies* byPosition)
{
    Json timers = Json::array();
    for (const RunningTimer& timer : emulator.timers().list())
        if (timers.size() < maxEntries)
            timers.push_back({{"id", timer.id}, {"interval", timer.interval}, {"due", timer.due}});
    std::size_t outstanding = 0, handedOut = 0;
    for (std::size_t at = 0; at < emulator.positionCount(); ++at) {
        outstanding += emulator.host(at).outstandingReplies();
        handedOut += emulator.host(at).repliesHandedOut();
    }
    Json json;
    json["kind"] = "state";
    json["running"] = emulator.anyRunning();
    json["clock"] = emulator.timers().now();
    json["panels"] = panelsJson(emulator.panels());
    json["routers"] = routersJson(emulator.plant());
    json["timers"] = std::move(timers);
    json["outstanding_replies"] = outstanding;
    json["replies_handed_out"] = handedOut;
    json["violations"] = findings.violations();
    json["warnings"] = findings.warnings();
    json["rules"] = rulesJson(findings);
    if (byPosition && emulator.studio()) {
        json["positions"] = positionsJson(emulator, *byPosition);
        if (emulator.positionCount() > maxEntries)
            json["more_positions"] = emulator.positionCount() - maxEntries;
    }
    return json;
}

} // namespace vesk_host::web
