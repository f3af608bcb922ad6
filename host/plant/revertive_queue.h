// Revertives waiting for delivery. Commands only queue them; they reach
// the script after the call that caused them has returned, never inside a
// command. Every queued revertive counts against the run's memory budget,
// when there is one; one the budget refuses is not queued, and the first
// refusal is kept for the run to stop on.
#ifndef VESK_HOST_REVERTIVE_QUEUE_H
#define VESK_HOST_REVERTIVE_QUEUE_H

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "base/memory_budget.h"

namespace vesk_host {

struct PendingRevertive {
    std::int32_t device;
    std::int32_t index;
    std::string text;
    int position = 0;  // the studio position whose script it goes to
};

class RevertiveQueue {
public:
    // `budget` (may be null) must outlive the queue.
    explicit RevertiveQueue(MemoryBudget* budget = nullptr) : budget_(budget) {}

    // False, and nothing queued, when the budget refuses it.
    bool push(PendingRevertive revertive);
    PendingRevertive pop();
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    void clear();
    // Drops what waits for `position` (a script that has ended); returns how many.
    std::size_t dropFor(int position);
    // The first revertive the budget refused, and why.
    const std::optional<Error>& refused() const { return refused_; }

private:
    static std::uint64_t cost(const PendingRevertive& revertive) { return entryCost + revertive.text.size(); }

    std::deque<PendingRevertive> items_;
    MemoryBudget* budget_;
    std::optional<Error> refused_;
};

} // namespace vesk_host

#endif
