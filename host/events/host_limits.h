// Limits the host keeps that its rules cite: the code that enforces a limit
// and the rule's description both read it here, so the two never disagree.
#ifndef VESK_HOST_HOST_LIMITS_H
#define VESK_HOST_HOST_LIMITS_H

#include "base/text_util.h"

namespace vesk_host {

// Deliveries to the script that one operator action may cause (event-storm).
constexpr int deliveryBudget = 10000;
// A call into the script longer than this draws a slow-call warning, unless
// the run sets another bound.
constexpr int defaultSlowCallMilliseconds = 100;
// Calls of one kind that leave the script's heap bigger, in a row, that make
// a leak (leak-per-event, leak-per-query).
constexpr int leakStreak = 100;

} // namespace vesk_host

#endif
