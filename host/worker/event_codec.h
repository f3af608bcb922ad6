// The emulator's typed events as bytes, for a worker's stream to its
// supervisor: the supervisor hands the same events to its own observers
// (transcript, golden file, tally, progress) as if the emulator ran in its
// own process. Rules travel by name and come back as the same Rule object.
#ifndef VESK_HOST_WORKER_EVENT_CODEC_H
#define VESK_HOST_WORKER_EVENT_CODEC_H

#include <optional>
#include <string>
#include <string_view>

#include "events/host_events.h"

namespace vesk_host::worker {

// Appends the bytes of `event` to `out`.
void encodeEvent(const HostEvent& event, std::string& out);

// The event back; nothing for bytes that are not an encoded event (cut
// short, an unknown kind or rule, bytes left over).
std::optional<HostEvent> decodeEvent(std::string_view bytes);

} // namespace vesk_host::worker

#endif
