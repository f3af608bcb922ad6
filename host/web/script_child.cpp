#include "web/script_child.h"

#include <set>
#include <tuple>
#include <vector>

#include "base/exit_code.h"
#include "emulator/emulator.h"
#include "rig/rig.h"
#include "session/session_runner.h"
#include "session/session_steps.h"
#include "transcript/finding_tally.h"
#include "transcript/transcript_json.h"
#include "web/child_protocol.h"
#include "web/state_snapshot.h"

namespace vesk_host::web {

namespace {

void cutStrings(Json& json)
{
    if (json.is_string()) {
        const std::string& text = json.get_ref<const std::string&>();
        if (text.size() > maxEntryText) {
            std::size_t cut = maxEntryText;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                --cut;
            json = text.substr(0, cut) + " ... (" + std::to_string(text.size()) + " bytes)";
        }
    } else if (json.is_structured()) {
        for (auto& item : json)
            cutStrings(item);
    }
}

// Watches one action at a time: sends its transcript lines as they happen
// and gathers its facts for the recorder.
class ActionWatcher final : public EventObserver {
public:
    explicit ActionWatcher(const std::function<void(const std::string&)>& write) : write_(write) {}

    void begin()
    {
        entries_ = 0;
        dropped_ = 0;
        factBytes_ = 0;
        facts_ = ActionFacts{};
        touched_.clear();
        touchedOrder_.clear();
    }

    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }

    // In a studio every event is marked with the position whose script made it.
    void observeFrom(const HostEvent& event, const Origin& origin) override
    {
        const std::string position(origin.name);
        if (const auto* sent = std::get_if<CommandSent>(&event)) {
            const std::string text = sent->text ? *sent->text : std::string("(null)");
            if (facts_.commands.size() >= maxFactCommands || factBytes_ + text.size() > maxFactBytes) {
                facts_.complete = false;
            } else {
                factBytes_ += text.size();
                facts_.commands.push_back({text, position});
            }
        } else if (const auto* changed = std::get_if<PropertyChanged>(&event)) {
            auto key = std::make_tuple(position, changed->panel, changed->control, changed->property);
            if (touched_.insert(key).second && touchedOrder_.size() < maxFactCommands)
                touchedOrder_.push_back(std::move(key));
        } else if (const auto* answer = std::get_if<AnswerReceived>(&event)) {
            if (answer->terminated)
                answer_ = answer->text;
            else
                answer_.reset();
            answered_ = answer->terminated;
        }
        auto json = jsonOf(event, origin);
        if (!json)
            return;
        if (entries_ >= maxEntriesPerAction) {
            ++dropped_;
            return;
        }
        ++entries_;
        cutStrings(*json);
        write_(jsonLine(*json));
    }

    // The facts, with the changed properties' values as they stand after the action.
    ActionFacts finish(const Emulator& emulator, bool query)
    {
        if (dropped_ > 0) {
            Json note = {{"kind", "note"}, {"depth", 0},
                         {"note", std::to_string(dropped_) + " more transcript lines of this action not shown"}};
            write_(jsonLine(note));
        }
        for (const auto& [position, panel, control, property] : touchedOrder_) {
            const auto at = position.empty() ? std::optional<std::size_t>(0) : emulator.positionNamed(position);
            const LoadedPanel* loaded = at ? emulator.panels(*at).find(panel) : nullptr;
            const LoadedControl* found = loaded ? loaded->control(control) : nullptr;
            if (!found)
                continue;
            const auto value = found->properties.find(property);
            if (value != found->properties.end())
                facts_.properties.push_back({panel, control, property, value->second, position});
        }
        if (query && answered_)
            facts_.answer = answer_;
        answered_ = false;
        return std::move(facts_);
    }

private:
    const std::function<void(const std::string&)>& write_;
    std::size_t entries_ = 0;
    std::size_t dropped_ = 0;
    std::size_t factBytes_ = 0;
    ActionFacts facts_;
    // (position, panel, control, property) of every property the action changed.
    using Touched = std::tuple<std::string, std::string, std::string, std::string>;
    std::set<Touched> touched_;
    std::vector<Touched> touchedOrder_;
    std::optional<std::string> answer_;
    bool answered_ = false;
};

void sendDone(const std::function<void(const std::string&)>& write, const char* result, const std::string& message)
{
    Json done = {{"kind", "done"}, {"result", result}};
    if (!message.empty())
        done["message"] = message;
    write(jsonLine(done));
}

void sendFatal(const std::function<void(const std::string&)>& write, int exit, const std::string& message)
{
    write(jsonLine(Json{{"kind", "fatal"}, {"exit", exit}, {"message", message}}));
}

} // namespace

int runScriptChild(const ChildSetup& setup, const std::function<std::optional<std::string>()>& readLine,
                   const std::function<void(const std::string&)>& write)
{
    RunPlan plan;
    plan.library = setup.library;
    plan.positions = setup.positions;
    plan.plant = setup.plant;
    ActionWatcher watcher(write);
    PositionTallies byPosition(setup.positions.empty() ? 1 : setup.positions.size());
    // Before the Rig: they hear the scripts' end.
    Rig rig(std::move(plan));
    if (const Status opened = rig.open(); !opened) {
        sendFatal(write, exitLoad, opened.error().message);
        return exitLoad;
    }
    rig.events().subscribe(watcher);
    Emulator& emulator = rig.emulator();
    SessionRunner& runner = rig.runner();
    const FindingTally& findings = rig.tally();
    rig.events().subscribe(byPosition);

    const auto endAction = [&](bool query, const char* result, const std::string& message) {
        write(jsonLine(factsJson(watcher.finish(emulator, query))));
        write(jsonLine(stateSnapshot(emulator, findings, &byPosition)));
        sendDone(write, result, message);
    };

    watcher.begin();
    if (const Status started = rig.startUp(); !started) {
        watcher.finish(emulator, false);
        sendFatal(write, exitLoad, started.error().message);
        return exitLoad;
    }
    endAction(false, "ok", "");

    for (int number = 1;; ++number) {
        const auto line = readLine();
        if (!line)
            break;
        watcher.begin();
        auto parsed = parseStep(*line, number, emulator.plant());
        if (!parsed) {
            endAction(false, "refused", parsed.error().message);
            continue;
        }
        if (!*parsed) {
            endAction(false, "ok", "");
            continue;
        }
        const Step& step = **parsed;
        const Result<StepResult> result = runner.run(step);
        const bool query = std::holds_alternative<step::Query>(step.action);
        if (!result)
            endAction(query, "refused", result.error().message);
        else
            endAction(query, *result == StepResult::quit ? "quit" : "ok", "");
    }
    rig.finish();
    return 0;
}

} // namespace vesk_host::web
