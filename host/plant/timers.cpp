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

namespace {

// The timer `id` of `position`.
auto timerOf(std::int32_t id, int position)
{
    return [id, position](const auto& slot) { return slot.timer.id == id && slot.timer.position == position; };
}

} // namespace

void Timers::start(std::int32_t id, std::int32_t interval, int position)
{
    stop(id, position);
    slots_.push_back(Slot{RunningTimer{id, interval, now_ + interval, position}, started_++});
}

bool Timers::stop(std::int32_t id, int position)
{
    const auto before = slots_.size();
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(), timerOf(id, position)), slots_.end());
    return slots_.size() != before;
}

void Timers::stopAll(int position)
{
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(),
                                [position](const Slot& slot) { return slot.timer.position == position; }),
                 slots_.end());
}

bool Timers::running(std::int32_t id, int position) const
{
    return std::any_of(slots_.begin(), slots_.end(), timerOf(id, position));
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

void Timers::rearm(std::int32_t id, int position)
{
    for (auto& slot : slots_)
        if (timerOf(id, position)(slot))
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
