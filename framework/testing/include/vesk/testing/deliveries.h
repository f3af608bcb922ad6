// Deliveries from a host to a script, built the way the host lays them
// out. Each record lives for the call only, as the host's does.
#ifndef VESK_TESTING_DELIVERIES_H
#define VESK_TESTING_DELIVERIES_H

#include <optional>
#include <string>

#include "vesk_client_callback.h"

namespace vesk::testing::deliver {

// Code 2 with a record for `panel`, `control` and the event text `event`
// ("index=3"), parsed as the host does.
void control(vesk_client_callback& script, const char* panel, const char* control, const char* event);
// Code 1 with a record for `device`, `index` and the content `text`.
void revertive(vesk_client_callback& script, int device, int index, const char* text);
// Code 3 with `query`; the answer is copied and handed back with code 5.
// Null when the script answered null.
std::optional<std::string> parentQuery(vesk_client_callback& script, const char* query);
// Code 4 with the timer id in the data word.
void timer(vesk_client_callback& script, int id);

} // namespace vesk::testing::deliver

#endif
