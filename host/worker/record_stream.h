// Records on a worker's channels: one tag byte, the payload's length as
// four bytes (little-endian), then the payload, so any byte may stand in a
// payload. A worker that dies leaves the whole records it had sent; the
// supervisor's splitter keeps a partial one aside and refuses a record
// longer than its limit (a worker that wrote garbage).
#ifndef VESK_HOST_WORKER_RECORD_STREAM_H
#define VESK_HOST_WORKER_RECORD_STREAM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk_host::worker {

// Appends one record to `out`.
void appendRecord(std::string& out, char tag, std::string_view payload);

// Writes one record into `buffer` (size bytes) without allocating, for a
// signal handler: the bytes written, or 0 when it does not fit.
std::size_t putRecord(char* buffer, std::size_t size, char tag, std::string_view payload);

class RecordSplitter {
public:
    explicit RecordSplitter(std::size_t maxPayload) : maxPayload_(maxPayload) {}
    void feed(const char* bytes, std::size_t size) { pending_.append(bytes, size); }
    // The next whole record, if one has come; false otherwise. After a
    // record over the limit, always false and garbled() is true.
    bool next(char& tag, std::string& payload);
    bool garbled() const { return garbled_; }
    // Bytes of a record not yet complete.
    std::size_t partial() const { return pending_.size() - at_; }

private:
    std::size_t maxPayload_;
    std::string pending_;
    std::size_t at_ = 0;
    bool garbled_ = false;
};

} // namespace vesk_host::worker

#endif
