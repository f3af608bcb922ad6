#include "web/action_queue.h"

namespace vesk_host::web {

ActionQueue::ActionQueue(std::size_t capacity) : capacity_(capacity) {}

ActionQueue::~ActionQueue() { stop(); }

bool ActionQueue::push(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || jobs_.size() >= capacity_)
            return false;
        if (!thread_.joinable())
            thread_ = std::thread([this] { loop(); });
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

std::size_t ActionQueue::waiting() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return jobs_.size();
}

void ActionQueue::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void ActionQueue::loop()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace vesk_host::web
