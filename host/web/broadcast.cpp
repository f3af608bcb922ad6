#include "web/broadcast.h"

namespace vesk_host::web {

std::uint64_t Broadcast::publish(std::string message)
{
    std::uint64_t number;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes_ += message.size();
        messages_.push_back(std::move(message));
        while (messages_.size() > 1 && (messages_.size() > keepCount_ || bytes_ > keepBytes_)) {
            bytes_ -= messages_.front().size();
            messages_.pop_front();
        }
        number = ++last_;
    }
    notify();
    return number;
}

std::uint64_t Broadcast::last() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}

std::size_t Broadcast::heldBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

Broadcast::Batch Broadcast::after(std::uint64_t after, std::size_t maxBytes) const
{
    std::lock_guard<std::mutex> lock(mutex_);
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
    std::size_t bytes = 0;
    for (std::uint64_t number = after + 1; number <= last_; ++number) {
        const std::string& message = messages_[static_cast<std::size_t>(number - first)];
        if (!batch.messages.empty() && bytes + message.size() > maxBytes)
            break;
        bytes += message.size();
        batch.messages.push_back(message);
        batch.last = number;
    }
    return batch;
}

void Broadcast::setListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(mutex_);
    listener_ = std::move(listener);
}

void Broadcast::close()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    notify();
}

void Broadcast::notify()
{
    std::function<void()> listener;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listener = listener_;
    }
    if (listener)
        listener();
}

} // namespace vesk_host::web
