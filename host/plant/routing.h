// What a router does when a crosspoint is made, polled, registered or
// unregistered, for the scripts' commands and the operator's actions alike.
// In a studio the routers are shared: each position's script registers for
// itself, and a take reaches every position registered for the destination.
#ifndef VESK_HOST_ROUTING_H
#define VESK_HOST_ROUTING_H

#include <cstdint>

#include "plant/plant.h"
#include "plant/revertive_queue.h"

namespace vesk_host {

// Routes `source` to `destination` (both within the router) and queues one
// revertive for each position registered for the destination, once each,
// in the order their registrations were made. A take reports even when the
// source was already there, as routers tally every take.
void takeCrosspoint(Router& router, std::int32_t source, std::int32_t destination, RevertiveQueue& queue);

// Queues one revertive for `position` for each of the router's
// destinations in first..last, registered or not; returns how many.
int pollDestinations(const Router& router, std::int32_t first, std::int32_t last, RevertiveQueue& queue,
                     int position = 0);

// Registers first..last for `position`: added to its registrations, or
// (`add` false) in place of them. Ranges are kept as given, even when no
// destination lies in them. Other positions' registrations stay.
void registerDestinations(Router& router, int position, std::int32_t first, std::int32_t last, bool add);

// Drops the registrations of `position` alone.
void unregisterDestinations(Router& router, int position);

} // namespace vesk_host

#endif
