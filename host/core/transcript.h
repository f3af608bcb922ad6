// The transcript: every call in both directions, in order, plus the
// session's actions, expectations, views of the state and broken rules. Entries
// carry a readable line and the same facts as named fields, so the text and
// the JSON-lines forms come from one record. Nothing machine-specific goes
// in (no pointers, no wall-clock times), so transcripts compare byte for
// byte across machines.
#ifndef VESK_HOST_TRANSCRIPT_H
#define VESK_HOST_TRANSCRIPT_H

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "rules.h"

namespace vesk_host {

using FieldValue = std::variant<std::nullptr_t, bool, std::int64_t, std::string, std::vector<std::string>>;

struct Entry {
    // "action", "call", "command", "release", "answer", "finding",
    // "expect", "show", "note" or "summary".
    std::string kind;
    // 0 for the host's own lines, 1 for what the script does inside a call.
    int depth = 0;
    // The readable form; several lines for tables and differences.
    std::string text;
    std::vector<std::pair<std::string, FieldValue>> fields;
};

class Transcript {
public:
    using Sink = std::function<void(const Entry&)>;

    // Sinks see every entry as it is added, in order.
    void addSink(Sink sink);
    void add(Entry entry);
    // Adds a finding entry and counts it by severity.
    void finding(const Finding& finding, int depth);

    int violations() const { return violations_; }
    int warnings() const { return warnings_; }
    // Every finding so far, in order.
    const std::vector<Finding>& findings() const { return findings_; }

private:
    std::vector<Sink> sinks_;
    std::vector<Finding> findings_;
    int violations_ = 0;
    int warnings_ = 0;
};

// A "show" entry: a table or other text of several lines.
Entry showEntry(const std::string& text);

// The readable form: each line indented two blanks per depth, "\n" after each.
std::string renderText(const Entry& entry);
// One JSON object on one line with "kind", "depth" and the fields, then "\n".
std::string renderJson(const Entry& entry);

} // namespace vesk_host

#endif
