#include "plant/timers.h"

#include <algorithm>

namespace vesk_host {

void Timers::setNow(std::int64_t time)
{
    now_ = std::max(now_, time);
    // Ticks left undelivered behind the clock (an event storm dropped them) are
    // skipped: each timer's next tick is its first one at or after now.
    for (auto& slot : slots_) {
        RunningTimer& timer = slot.timer;
        if (timer.due < now_)
            timer.due += (now_ - timer.due + timer.interval - 1) / timer.interval * timer.interval;
    }
}

void Timers::start(std::int32_t id, std::int32_t interval)
{
    stop(id);
    slots_.push_back(Slot{RunningTimer{id, interval, now_ + interval}, started_++});
}

bool Timers::stop(std::int32_t id)
{
    const auto before = slots_.size();
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(), [id](const Slot& slot) { return slot.timer.id == id; }),
                 slots_.end());
    return slots_.size() != before;
}

bool Timers::running(std::int32_t id) const
{
    return std::any_of(slots_.begin(), slots_.end(), [id](const Slot& slot) { return slot.timer.id == id; });
}

namespace {

template <class Slot> bool ticksFirst(const Slot& a, const Slot& b)
{
    return a.timer.due != b.timer.due ? a.timer.due < b.timer.due : a.order < b.order;
}

} // namespace

std::optional<RunningTimer> Timers::next() const
{
    const auto first = std::min_element(slots_.begin(), slots_.end(), ticksFirst<Slot>);
    if (first == slots_.end())
        return std::nullopt;
    return first->timer;
}

void Timers::rearm(std::int32_t id)
{
    for (auto& slot : slots_)
        if (slot.timer.id == id)
            slot.timer.due += slot.timer.interval;
}

std::vector<RunningTimer> Timers::list() const
{
    std::vector<Slot> sorted = slots_;
    std::sort(sorted.begin(), sorted.end(), ticksFirst<Slot>);
    std::vector<RunningTimer> timers;
    for (const auto& slot : sorted)
        timers.push_back(slot.timer);
    return timers;
}

} // namespace vesk_host
