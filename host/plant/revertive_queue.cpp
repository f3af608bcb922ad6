#include "plant/revertive_queue.h"

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

} // namespace vesk_host
