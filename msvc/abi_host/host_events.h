// Deliveries from the host to a script, laid out as the host lays them out.
#ifndef VESK_ABI_HOST_EVENTS_H
#define VESK_ABI_HOST_EVENTS_H

#include "vesk_client_callback.h"

// Code 2 for `panel`, `control` and the event text `event` ("index=1").
void sendControl(vesk_client_callback* script, const char* panel, const char* control, const char* event);
// Code 1 for `device`, `index` and the content `text`.
void sendRevertive(vesk_client_callback* script, int device, int index, const char* text);
// Code 3 with `query`. The answer is copied into `answer` (size bytes) and
// handed back with code 5; false when the script answered null.
bool sendParentQuery(vesk_client_callback* script, const char* query, char* answer, unsigned size);
// Code 4 with the timer id in the data word.
void sendTimer(vesk_client_callback* script, int id);

#endif
