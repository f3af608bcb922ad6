// What the live page keeps of one script process's past, for pages that
// open later and for the findings pane: the transcript lines, numbered from
// 1 so that a finding can link its line (the newest kept, at most maxLines
// and maxBytes of them); the crashes, hangs, exits and failed expectations
// (the newest maxEvents); the first line of each rule broken; and the count
// of failed expectations. Not thread-safe: the live session holds its lock.
#ifndef VESK_HOST_WEB_LIVE_HISTORY_H
#define VESK_HOST_WEB_LIVE_HISTORY_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "web/child_protocol.h"

namespace vesk_host::web {

class LiveHistory {
public:
    static constexpr std::size_t maxLines = 1000;
    static constexpr std::size_t maxBytes = 2u << 20;
    static constexpr std::size_t maxEvents = 200;

    // Forgets everything: a new process.
    void clear() { *this = LiveHistory(); }
    // Numbers the transcript entries of action `action` and keeps them;
    // returns them as {"n": line, "a": action, "e": entry}.
    Json keep(const std::vector<Json>& entries, std::uint64_t action);
    // A crash, hang, exit ("crashed", "hung", ...) at the last line so far.
    void processEnded(const std::string& kind, const std::string& text);

    // The lines kept, oldest first.
    Json lines() const;
    // The entries of the last `count` lines kept.
    Json lastEntries(std::size_t count) const;
    int failedExpectations() const { return failedExpectations_; }
    Json events() const;
    // Each rule broken, with the number of the line it was first broken on.
    const Json& ruleLines() const { return ruleLines_; }

private:
    void addEvent(const std::string& kind, const std::string& text);

    std::deque<Json> lines_;
    std::size_t bytes_ = 0;  // of lines_, as sent
    std::uint64_t count_ = 0;
    int failedExpectations_ = 0;
    std::deque<Json> events_;
    Json ruleLines_ = Json::object();
};

// What a failed expectation entry says, on one line.
std::string expectationFailure(const Json& entry);
// The failure of the first failed expectation among numbered lines; empty when none failed.
std::string failureOf(const Json& lines);

} // namespace vesk_host::web

#endif
