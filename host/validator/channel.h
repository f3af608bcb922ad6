// The records a check's child process sends the validator through a pipe:
// transcript lines as they happen, then the check's status and details, then
// an end mark. Each record is one tag byte, the payload's length in decimal,
// ':' and the payload, so any byte may stand in a payload. A child that dies
// leaves the records it had sent; no end mark means it did not finish.
#ifndef VESK_HOST_VALIDATOR_CHANNEL_H
#define VESK_HOST_VALIDATOR_CHANNEL_H

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "validator/check.h"

namespace vesk_host::validator {

namespace tag {
constexpr char line = 'L';
constexpr char status = 'S';
constexpr char detail = 'D';
constexpr char end = 'E';
constexpr char finding = 'F';  // "rule<TAB>message": a violation as it happens
constexpr char fatal = 'X';    // "rule<TAB>message": what ended the child (its fatal watch)
constexpr char signal = 'G';   // the signal that ended it
constexpr char timeout = 'T';  // a call of the script's did not return in time
constexpr char call = 'K';     // a call into the script begins: what it is, in words
constexpr char returned = 'k';  // ... and has returned
} // namespace tag

std::string encodeRecord(char tag, std::string_view payload);

// Reads the records as the bytes come, whatever pieces they come in; keeps
// only the last `keepLines` transcript lines.
class RecordReader {
public:
    explicit RecordReader(std::size_t keepLines) : keepLines_(keepLines) {}

    void feed(const char* bytes, std::size_t size);

    bool finished() const { return finished_; }
    // Bytes that form no record: a child that wrote something else, or died mid-record.
    bool garbled() const { return garbled_; }
    const CheckResult& result() const { return result_; }
    const std::deque<std::string>& lastLines() const { return lines_; }
    // Violations as they happened, "rule: message" (the first few).
    const std::vector<std::string>& findings() const { return findings_; }
    // What ended the child, as its fatal watch said: "rule: message"; empty when it did not say.
    const std::string& fatal() const { return fatal_; }
    const std::string& signal() const { return signal_; }
    bool timedOut() const { return timedOut_; }
    // The call into the script under way when the records stopped; empty between calls.
    const std::string& call() const { return call_; }

private:
    void take(char tag, std::string payload);

    std::size_t keepLines_;
    std::string pending_;
    bool finished_ = false;
    bool garbled_ = false;
    CheckResult result_;
    std::deque<std::string> lines_;
    std::vector<std::string> findings_;
    std::string fatal_;
    std::string signal_;
    bool timedOut_ = false;
    std::string call_;
};

} // namespace vesk_host::validator

#endif
