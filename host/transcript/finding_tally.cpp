#include "transcript/finding_tally.h"

#include <algorithm>

namespace vesk_host {

void FindingTally::observe(const HostEvent& event)
{
    if (const auto* raised = std::get_if<FindingRaised>(&event))
        add(raised->finding);
}

void FindingTally::add(const Finding& finding) { addCount(finding.rule, 1, finding.message); }

void FindingTally::merge(const FindingTally& other)
{
    for (const auto& count : other.counts_)
        addCount(count.rule, count.times, count.first);
}

void FindingTally::addCount(const Rule* rule, int times, const std::string& first)
{
    (rule->severity == Severity::violation ? violations_ : warnings_) += times;
    for (auto& count : counts_)
        if (count.rule == rule) {
            count.times += times;
            return;
        }
    counts_.push_back(Count{rule, times, first});
}

std::vector<std::pair<std::string, int>> FindingTally::byName() const
{
    std::vector<std::pair<std::string, int>> names;
    for (const auto& count : counts_)
        names.emplace_back(count.rule->name, count.times);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace vesk_host
