// The readable transcript: one line (or a table of lines) per event, with
// "\n" line ends and nothing machine-specific (no pointers, no wall-clock
// times), so transcripts compare byte for byte across machines and builds.
#ifndef VESK_HOST_TRANSCRIPT_TEXT_H
#define VESK_HOST_TRANSCRIPT_TEXT_H

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "events/host_events.h"

namespace vesk_host {

struct TranscriptLine {
    int depth;         // 0 for the host's own lines, 1 for what the script does inside a call
    std::string text;  // several lines for tables and differences
};

// The transcript line of an event; nothing for events the transcript leaves out.
std::optional<TranscriptLine> transcriptLine(const HostEvent& event);

// Each line indented two blanks per depth, "\n" after each; a named
// position's lines start with "@NAME ".
std::string renderText(const TranscriptLine& line, std::string_view position = {});

// Writes the text of every event as it comes.
class TextTranscript final : public EventObserver {
public:
    using Writer = std::function<void(const std::string& text)>;
    explicit TextTranscript(Writer write) : write_(std::move(write)) {}
    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }
    void observeFrom(const HostEvent& event, const Origin& origin) override;

private:
    Writer write_;
};

} // namespace vesk_host

#endif
