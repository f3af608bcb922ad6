#include "plant/routing.h"

#include <algorithm>
#include <vector>

namespace vesk_host {

namespace {

// Positions already sent a revertive by the take under way: a position
// whose ranges overlap hears the take once. Marked by take number, so the
// marks need no clearing.
class TakeMarks {
public:
    bool first(int position)
    {
        const auto at = static_cast<std::size_t>(position);
        if (at >= marks_.size())
            marks_.resize(at + 1, 0);
        if (marks_[at] == take_)
            return false;
        marks_[at] = take_;
        return true;
    }
    void nextTake()
    {
        if (++take_ == 0) {
            std::fill(marks_.begin(), marks_.end(), 0);
            take_ = 1;
        }
    }

private:
    std::vector<std::uint32_t> marks_;
    std::uint32_t take_ = 1;
};

} // namespace

void takeCrosspoint(Router& router, std::int32_t source, std::int32_t destination, RevertiveQueue& queue)
{
    router.crosspoints[static_cast<std::size_t>(destination)] = source;
    static thread_local TakeMarks marks;
    marks.nextTake();
    std::string text;
    for (const Registration& range : router.registrations) {
        if (destination < range.first || destination > range.last || range.position < 0 || !marks.first(range.position))
            continue;
        if (text.empty())
            text = router.sourceText(source);
        if (!queue.push(PendingRevertive{router.device, destination, text, range.position}))
            return;
    }
}

int pollDestinations(const Router& router, std::int32_t first, std::int32_t last, RevertiveQueue& queue, int position)
{
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min<std::int64_t>(last, router.destinations - 1);
    int count = 0;
    for (std::int64_t destination = from; destination <= to; ++destination, ++count) {
        const std::int32_t source = router.crosspoints[static_cast<std::size_t>(destination)];
        if (!queue.push(PendingRevertive{router.device, static_cast<std::int32_t>(destination),
                                         router.sourceText(source), position}))
            break;
    }
    return count;
}

void registerDestinations(Router& router, int position, std::int32_t first, std::int32_t last, bool add)
{
    if (!add)
        unregisterDestinations(router, position);
    router.registrations.push_back(Registration{first, last, position});
}

void unregisterDestinations(Router& router, int position)
{
    auto& ranges = router.registrations;
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(),
                                [position](const Registration& range) { return range.position == position; }),
                 ranges.end());
}

} // namespace vesk_host
