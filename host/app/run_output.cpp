#include "app/run_output.h"

#include "transcript/transcript_json.h"
#include "transcript/transcript_text.h"

namespace vesk_host {

bool isProblem(const HostEvent& event)
{
    if (const auto* expectation = std::get_if<ExpectationChecked>(&event))
        return !expectation->ok;
    // A note of the emulator's (guarded memory giving way) changes what the run can catch: shown too.
    return std::holds_alternative<FindingRaised>(event) || std::holds_alternative<StepRefused>(event) ||
           std::holds_alternative<RunSummary>(event) || std::holds_alternative<HostNote>(event);
}

RunOutput::RunOutput(Output& out, bool json, bool quiet, GoldenFile* golden, bool goldenWithoutPanel)
    : out_(out), json_(json), quiet_(quiet), golden_(golden), goldenWithoutPanel_(goldenWithoutPanel)
{
}

void RunOutput::write(const std::string& text)
{
    if (!quiet_)
        out_.write(text);
    if (golden_)
        golden_->feed(text);
}

void RunOutput::observeFrom(const HostEvent& event, const Origin& origin)
{
    const bool shown = !quiet_ || isProblem(event);
    if (!shown && !golden_)
        return;
    std::string text;
    if (json_) {
        auto line = jsonLineOf(event, origin);
        if (!line)
            return;
        text = std::move(*line);
    } else {
        const auto line = transcriptLine(event);
        if (!line)
            return;
        text = renderText(*line, origin.name);
    }
    if (shown)
        out_.write(text);
    if (!golden_)
        return;
    const auto* state = std::get_if<StateShown>(&event);
    const bool kept = goldenWithoutPanel_ && state && state->finalPanel;
    golden_->setSkipping(kept);
    golden_->feed(text);
    golden_->setSkipping(false);
}

} // namespace vesk_host
