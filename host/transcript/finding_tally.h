// Counts the findings on the bus: violations and warnings, and per rule how
// often it broke and its first message. Its size is bounded by the number
// of rules, so it can watch a run of any length.
#ifndef VESK_HOST_FINDING_TALLY_H
#define VESK_HOST_FINDING_TALLY_H

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

} // namespace vesk_host

#endif
