#include "app/progress.h"

#include <cstdio>

#include "base/platform.h"

namespace vesk_host {

namespace {

// Quiet at first: short runs show nothing.
constexpr auto firstAfter = std::chrono::seconds(3);
constexpr auto every = std::chrono::seconds(1);

bool intoScript(const HostEvent& event)
{
    return std::holds_alternative<ControlDelivered>(event) || std::holds_alternative<RevertiveDelivered>(event) ||
           std::holds_alternative<QueryDelivered>(event) || std::holds_alternative<TimerDelivered>(event) ||
           std::holds_alternative<CodeDelivered>(event) || std::holds_alternative<AnswerHandedBack>(event);
}

} // namespace

bool Progress::wanted() { return isTerminal(2); }

Progress::Progress() : started_(Clock::now()), shown_(started_) {}

Progress::~Progress()
{
    if (written_)
        std::fputs("\n", stderr);
}

void Progress::observe(const HostEvent& event)
{
    if (const auto* raised = std::get_if<FindingRaised>(&event))
        violations_ += raised->finding.rule->severity == Severity::violation;
    if (!intoScript(event) || ++events_ % 4096 != 0)
        return;
    const auto now = Clock::now();
    if (now - started_ < firstAfter || now - shown_ < every)
        return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    std::fprintf(stderr, "\rvesk_host: %llu events, %.0f events/s, %llu violation(s) so far  ",
                 static_cast<unsigned long long>(events_), static_cast<double>(events_) / seconds,
                 static_cast<unsigned long long>(violations_));
    std::fflush(stderr);
    written_ = true;
}

} // namespace vesk_host
