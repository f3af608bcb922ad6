#include "plant/revertive_queue.h"

#include <algorithm>

namespace vesk_host {

namespace {
constexpr const char* category = "queued revertives";
}

bool RevertiveQueue::push(PendingRevertive revertive)
{
    if (budget_) {
        if (Status charged = budget_->charge(category, cost(revertive)); !charged) {
            if (!refused_)
                refused_ = charged.error();
            return false;
        }
    }
    items_.push_back(std::move(revertive));
    return true;
}

PendingRevertive RevertiveQueue::pop()
{
    PendingRevertive next = std::move(items_.front());
    items_.pop_front();
    if (budget_)
        budget_->refund(category, cost(next));
    return next;
}

void RevertiveQueue::clear()
{
    if (budget_)
        for (const auto& revertive : items_)
            budget_->refund(category, cost(revertive));
    items_.clear();
}

std::size_t RevertiveQueue::dropFor(int position)
{
    const auto goesThere = [position](const PendingRevertive& revertive) { return revertive.position == position; };
    const auto from = std::stable_partition(items_.begin(), items_.end(),
                                            [&](const PendingRevertive& revertive) { return !goesThere(revertive); });
    const auto dropped = static_cast<std::size_t>(items_.end() - from);
    if (budget_)
        for (auto it = from; it != items_.end(); ++it)
            budget_->refund(category, cost(*it));
    items_.erase(from, items_.end());
    return dropped;
}

} // namespace vesk_host
