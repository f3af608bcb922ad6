// Counts the findings on the bus: violations and warnings, and per rule how
// often it broke and its first message. Its size is bounded by the number
// of rules, so it can watch a run of any length.
#ifndef VESK_HOST_FINDING_TALLY_H
#define VESK_HOST_FINDING_TALLY_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "events/host_events.h"

namespace vesk_host {

class FindingTally final : public EventObserver {
public:
    struct Count {
        const Rule* rule;
        int times;
        std::string first;  // the first message
    };

    void observe(const HostEvent& event) override;
    void add(const Finding& finding);
    // Adds another tally's counts (its first messages where this has none).
    void merge(const FindingTally& other);

    int violations() const { return violations_; }
    int warnings() const { return warnings_; }
    // In the order the rules first broke.
    const std::vector<Count>& counts() const { return counts_; }
    // Rule names in alphabetical order, with their counts.
    std::vector<std::pair<std::string, int>> byName() const;

private:
    void addCount(const Rule* rule, int times, const std::string& first);

    std::vector<Count> counts_;
    int violations_ = 0;
    int warnings_ = 0;
};

// A tally per studio position, of the findings its script's calls raised
// (the host's own, outside any position, are in none). Size it before the
// run; positions beyond it are not counted.
class PositionTallies final : public EventObserver {
public:
    explicit PositionTallies(std::size_t positions) : tallies_(positions) {}
    void observe(const HostEvent&) override {}
    void observeFrom(const HostEvent& event, const Origin& origin) override
    {
        if (origin.position >= 0 && static_cast<std::size_t>(origin.position) < tallies_.size())
            tallies_[static_cast<std::size_t>(origin.position)].observe(event);
    }
    const FindingTally& at(std::size_t position) const { return tallies_.at(position); }
    std::size_t size() const { return tallies_.size(); }

private:
    std::vector<FindingTally> tallies_;
};

} // namespace vesk_host

#endif
