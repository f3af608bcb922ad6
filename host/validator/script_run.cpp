#include "script_run.h"

#include "text_util.h"

namespace vesk_host::validator {

void toTrail(Trail& trail, const Entry& entry)
{
    const std::string text = renderText(entry);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        trail.line(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
}

void FindingTally::add(const Finding& finding)
{
    for (auto& count : counts_)
        if (count.rule == finding.rule) {
            ++count.times;
            return;
        }
    counts_.push_back(Count{finding.rule, 1, finding.message});
}

void FindingTally::addAll(const std::vector<Finding>& findings)
{
    for (const auto& finding : findings)
        add(finding);
}

bool FindingTally::any(const Rule& rule) const
{
    for (const auto& count : counts_)
        if (count.rule == &rule)
            return true;
    return false;
}

namespace {

// Warnings about the script's own conduct, as against the plant's content.
bool aboutTheScript(const Rule* rule)
{
    return rule == &rule::emptyAnswer || rule == &rule::commandAfterEnd || rule == &rule::endOutsideShutdown ||
           rule == &rule::missingEnd || rule == &rule::eventStorm;
}

} // namespace

void FindingTally::judge(CheckContext& context, const std::set<const Rule*>& failing) const
{
    for (const auto& count : counts_) {
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

ScriptRun::ScriptRun(CheckContext& context, ReplyMode replies) : context_(context)
{
    transcript_.addSink([this](const Entry& entry) {
        toTrail(context_.trail(), entry);
        if (entry.kind != "command")
            return;
        ++commandsSent_;
        for (const auto& [key, value] : entry.fields)
            if (key == "text" && std::holds_alternative<std::string>(value)) {
                const std::string& text = std::get<std::string>(value);
                const std::size_t blank = text.find(' ', 3);
                if (text.compare(0, 3, "ET ") == 0 && blank != std::string::npos)
                    if (const auto id = parseInt32(std::string_view(text).substr(3, blank - 3)))
                        timersStarted_.insert(*id);
            }
    });
    emulator_ = std::make_unique<Emulator>(Plant(context.setup().plant), transcript_);
    emulator_->setReplyMode(replies);
    emulator_->setAbi(context.setup().abi);
}

ScriptRun::~ScriptRun() { emulator_.reset(); }

bool ScriptRun::start()
{
    std::string error;
    if (!library_.open(context_.setup().library, error)) {
        context_.fail(error);
        return false;
    }
    if (!emulator_->start(library_.entry())) {
        judge();
        const std::string& problem = emulator_->host().abiProblem();
        context_.fail(problem.empty() ? "load_vesk_client_script returned null" : problem);
        return false;
    }
    return true;
}

void ScriptRun::finish() { emulator_->shutdown(); }

void ScriptRun::judge(const std::set<const Rule*>& failing)
{
    FindingTally tally;
    tally.addAll(transcript_.findings());
    tally.judge(context_, failing);
}

const std::vector<std::optional<std::string>>& commonQueries()
{
    static const std::vector<std::optional<std::string>> queries = {
        std::nullopt, std::string("_events"), std::string("_commands"), std::string("return=all")};
    return queries;
}

void driveWorkload(Emulator& emulator)
{
    static const char* const events[] = {"", "index=1", "index=2", "index=0", "index=-1", "value=1", "alarm=ack"};
    // Taken first: a press may make the script load its panels anew.
    std::vector<std::pair<std::string, std::string>> controls;
    for (const auto& [id, panel] : emulator.panels().all())
        for (const auto& control : panel.controls)
            controls.emplace_back(id, control.id);
    for (const auto& [panel, control] : controls)
        for (const char* event : events) {
            if (!emulator.running())
                return;
            emulator.press(panel, control, event);
        }
    for (const Router& router : emulator.plant().routers)
        if (emulator.running() && router.destinations > 0)
            emulator.poll(router, 0, router.destinations - 1);
    if (!emulator.running())
        return;
    emulator.revertive(99999, 0, "from a device the plant does not have");
    for (const auto& query : commonQueries())
        if (emulator.running())
            emulator.query(query);
    for (int step = 0; step < 4; ++step)
        emulator.advance(250);
}

} // namespace vesk_host::validator
