// What a router does when a crosspoint is made or polled, for the script's
// commands and the operator's actions alike.
#ifndef VESK_HOST_ROUTING_H
#define VESK_HOST_ROUTING_H

#include <cstdint>

#include "plant/plant.h"
#include "plant/revertive_queue.h"

namespace vesk_host {

// Routes `source` to `destination` (both within the router) and queues the
// revertive when the destination is registered. A take reports even when the
// source was already there, as routers tally every take.
void takeCrosspoint(Router& router, std::int32_t source, std::int32_t destination, RevertiveQueue& queue);

// Queues one revertive for each of the router's destinations in
// first..last, registered or not; returns how many.
int pollDestinations(const Router& router, std::int32_t first, std::int32_t last, RevertiveQueue& queue);

} // namespace vesk_host

#endif
