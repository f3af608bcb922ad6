// What the server and the script's process say to each other through two
// pipes.
//
// Server to child: one session step a line, "\n"-terminated (a step line
// never holds a raw line break). Child to server: one JSON object a line,
// with "kind":
//   the transcript's kinds ("action", "call", "command", "release",
//     "answer", "finding", "expect", "show", "note", "error"), as the JSON
//     transcript writes them, sent as they happen;
//   "facts"  what the action did, for the recorder (ActionFacts): texts are
//            JSON strings when they are valid UTF-8, else {"hex": "..."};
//   "state"  a snapshot of the emulator after the action (state_snapshot.h);
//   "done"   the action is over: "result" is "ok", "refused" or "quit",
//            with "message" when refused;
//   "fatal"  the child cannot run the script ("exit" is the exit code the
//            run command would give: 4 for a library that does not load).
// Start-up is the first action: it ends with "done" like every step.
#ifndef VESK_HOST_WEB_CHILD_PROTOCOL_H
#define VESK_HOST_WEB_CHILD_PROTOCOL_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "web/recorder.h"

namespace vesk_host::web {

using Json = nlohmann::ordered_json;

// A text of any bytes, kept exactly.
Json bytesJson(const std::string& text);
// Back from bytesJson; nothing for anything else.
std::optional<std::string> bytesFromJson(const Json& json);

Json factsJson(const ActionFacts& facts);
// Nothing when the object is not a well-formed "facts" record.
std::optional<ActionFacts> factsFromJson(const Json& json);

// Splits a byte stream into lines as the pieces come. A line longer than
// the limit spoils the stream: the server then stops the child.
class LineSplitter {
public:
    explicit LineSplitter(std::size_t maxLine) : maxLine_(maxLine) {}
    // Appends `size` bytes; complete lines (without "\n") go to `lines`.
    void feed(const char* bytes, std::size_t size, std::vector<std::string>& lines);
    bool overlong() const { return overlong_; }
    // Bytes after the last line break.
    const std::string& pending() const { return pending_; }

private:
    std::size_t maxLine_;
    std::string pending_;
    bool overlong_ = false;
};

} // namespace vesk_host::web

#endif
