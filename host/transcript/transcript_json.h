// The transcript as JSON lines: one object per event with "kind", "depth"
// and the event's facts as named fields, the same facts the text shows.
// The first line names the schema ("vesk-host-run") and its version.
// Texts are written as UTF-8; a byte that is not part of valid UTF-8 is
// written as U+FFFD, the replacement character.
#ifndef VESK_HOST_TRANSCRIPT_JSON_H
#define VESK_HOST_TRANSCRIPT_JSON_H

#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "events/host_events.h"

namespace vesk_host {

constexpr int runSchemaVersion = 1;

// The JSON object of an event; nothing for events the transcript leaves out.
std::optional<nlohmann::ordered_json> jsonOf(const HostEvent& event);
// The same with "position" (after "depth") when the event is a named position's.
std::optional<nlohmann::ordered_json> jsonOf(const HostEvent& event, const Origin& origin);

// One line: the object without blanks, then "\n".
std::string jsonLine(const nlohmann::ordered_json& object);

// The first line of a JSON transcript.
nlohmann::ordered_json schemaLine();

// The same as text, ready to write, for callers that only write lines (and
// so need not compile the JSON library): the event's line, or nothing for
// an event the transcript leaves out; the schema's line.
// With a named position's origin, the line carries "position".
std::optional<std::string> jsonLineOf(const HostEvent& event, const Origin& origin = {});
std::string schemaJsonLine();
// The line that says which layout of the host interface a run used, and
// why; the layout is null when none could be used (the reason says why).
std::string abiJsonLine(const std::optional<std::string>& abi, const std::string& reason);

class JsonTranscript final : public EventObserver {
public:
    using Writer = std::function<void(const std::string& text)>;
    explicit JsonTranscript(Writer write) : write_(std::move(write)) {}
    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }
    void observeFrom(const HostEvent& event, const Origin& origin) override;

private:
    Writer write_;
};

} // namespace vesk_host

#endif
