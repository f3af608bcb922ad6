#include "web/broadcast.h"

namespace vesk_host::web {

std::uint64_t Broadcast::publish(std::string message)
{
    std::uint64_t number;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(std::move(message));
        if (messages_.size() > keep_)
            messages_.pop_front();
        number = ++last_;
    }
    changed_.notify_all();
    return number;
}

std::uint64_t Broadcast::last() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}

Broadcast::Batch Broadcast::after(std::uint64_t after, std::chrono::milliseconds wait) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return closed_ || last_ > after; });
    Batch batch;
    batch.closed = closed_;
    batch.last = after;
    if (last_ <= after)
        return batch;
    const std::uint64_t first = last_ - messages_.size() + 1;
    if (after + 1 < first) {
        batch.lost = true;
        batch.last = last_;
        return batch;
    }
    for (std::uint64_t number = after + 1; number <= last_; ++number)
        batch.messages.push_back(messages_[static_cast<std::size_t>(number - first)]);
    batch.last = last_;
    return batch;
}

void Broadcast::close()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

} // namespace vesk_host::web
