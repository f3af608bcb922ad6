#include "validator/script_run.h"

#include "transcript/transcript_text.h"

namespace vesk_host::validator {

void TrailTranscript::observeFrom(const HostEvent& event, const Origin& origin)
{
    if (const auto* raised = std::get_if<FindingRaised>(&event))
        if (raised->finding.rule->severity == Severity::violation || raised->finding.rule == &rule::slowCall)
            trail_.finding(raised->finding);
    const auto line = transcriptLine(event);
    if (!line)
        return;
    const std::string text = renderText(*line, origin.name);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        trail_.line(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
}

namespace {

// Warnings about the script's own conduct, as against the plant's content.
bool aboutTheScript(const Rule* rule)
{
    return rule == &rule::emptyAnswer || rule == &rule::commandAfterEnd || rule == &rule::endOutsideShutdown ||
           rule == &rule::missingEnd || rule == &rule::eventStorm;
}

} // namespace

void judge(const FindingTally& tally, CheckContext& context, const std::set<const Rule*>& failing)
{
    for (const auto& count : tally.counts()) {
        const bool violation = count.rule->severity == Severity::violation || failing.count(count.rule);
        if (!violation && !aboutTheScript(count.rule))
            continue;
        std::string detail = std::string(count.rule->name) + ": " + count.first;
        if (count.times > 1)
            detail += " (and " + std::to_string(count.times - 1) + " more)";
        if (violation)
            context.fail(std::move(detail));
        else
            context.warn(std::move(detail));
    }
}

namespace {

CallWatcher* callWatcher = nullptr;

} // namespace

void watchCalls(CallWatcher* watcher) { callWatcher = watcher; }

RunPlan planOf(const CheckSetup& setup, ReplyMode replies)
{
    RunPlan plan;
    plan.emulator.watcher = callWatcher;
    plan.library = setup.library;
    plan.plant = setup.plant;
    plan.abi = setup.abi;
    plan.replies = replies;
    return plan;
}

WatchedEmulator::WatchedEmulator(CheckContext& context, ReplyMode replies)
    : trail_(context.trail()), rig_(planOf(context.setup(), replies))
{
    rig_.events().subscribe(trail_);
}

ScriptRun::ScriptRun(CheckContext& context, ReplyMode replies)
    : context_(context), watched_(std::make_unique<WatchedEmulator>(context, replies))
{
    watched_->events().subscribe(*this);
}

ScriptRun::~ScriptRun() { watched_.reset(); }

void ScriptRun::observe(const HostEvent& event)
{
    if (std::holds_alternative<CommandSent>(event))
        ++commandsSent_;
    else if (const auto* started = std::get_if<TimerStarted>(&event))
        timersStarted_.insert(started->id);
}

bool ScriptRun::start()
{
    if (const Status opened = watched_->rig().open(); !opened) {
        context_.fail(opened.error().message);
        return false;
    }
    if (const Status started = emulator().start(library().entry()); !started) {
        judge();
        context_.fail(started.error().kind == ErrorKind::notLoadable
                          ? "load_vesk_client_script of " + context_.setup().library + " returned null"
                          : started.error().message);
        return false;
    }
    return true;
}

void ScriptRun::finish() { emulator().shutdown(); }

void ScriptRun::judge(const std::set<const Rule*>& failing) { validator::judge(tally(), context_, failing); }

const std::vector<std::optional<std::string>>& commonQueries()
{
    static const std::vector<std::optional<std::string>> queries = {
        std::nullopt, std::string("_events"), std::string("_commands"), std::string("return=all")};
    return queries;
}

void driveWorkload(Emulator& emulator, std::size_t at)
{
    static const char* const events[] = {"", "index=1", "index=2", "index=0", "index=-1", "value=1", "alarm=ack"};
    // Taken first: a press may make the script load its panels anew.
    std::vector<std::pair<std::string, std::string>> controls;
    for (const auto& [id, panel] : emulator.panels(at).all())
        for (const auto& control : panel.controls)
            controls.emplace_back(id, control.id);
    for (const auto& [panel, control] : controls)
        for (const char* event : events) {
            if (!emulator.running(at))
                return;
            emulator.press(panel, control, event, at);
        }
    for (const Router& router : emulator.plant().routers)
        if (emulator.running(at) && router.destinations > 0)
            emulator.poll(router, 0, router.destinations - 1, at);
    if (!emulator.running(at))
        return;
    emulator.revertive(99999, 0, "from a device the plant does not have", at);
    for (const auto& query : commonQueries())
        if (emulator.running(at))
            emulator.query(query, at);
    for (int step = 0; step < 4; ++step)
        emulator.advance(250);
}

} // namespace vesk_host::validator
