#include "plant/routing.h"

#include <algorithm>

namespace vesk_host {

void takeCrosspoint(Router& router, std::int32_t source, std::int32_t destination, RevertiveQueue& queue)
{
    router.crosspoints[static_cast<std::size_t>(destination)] = source;
    if (router.registered(destination))
        queue.push(PendingRevertive{router.device, destination, router.sourceText(source)});
}

int pollDestinations(const Router& router, std::int32_t first, std::int32_t last, RevertiveQueue& queue)
{
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min<std::int64_t>(last, router.destinations - 1);
    int count = 0;
    for (std::int64_t destination = from; destination <= to; ++destination, ++count) {
        const std::int32_t source = router.crosspoints[static_cast<std::size_t>(destination)];
        if (!queue.push(PendingRevertive{router.device, static_cast<std::int32_t>(destination),
                                         router.sourceText(source)}))
            break;
    }
    return count;
}

} // namespace vesk_host
