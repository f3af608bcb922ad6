#include "worker/record_stream.h"

#include <cstring>

namespace vesk_host::worker {

namespace {

constexpr std::size_t headerSize = 5;

void putHeader(char* at, char tag, std::size_t length)
{
    at[0] = tag;
    for (int i = 0; i < 4; ++i)
        at[1 + i] = static_cast<char>((length >> (8 * i)) & 0xff);
}

} // namespace

void appendRecord(std::string& out, char tag, std::string_view payload)
{
    char header[headerSize];
    putHeader(header, tag, payload.size());
    out.append(header, headerSize);
    out.append(payload.data(), payload.size());
}

std::size_t putRecord(char* buffer, std::size_t size, char tag, std::string_view payload)
{
    if (size < headerSize || payload.size() > size - headerSize)
        return 0;
    putHeader(buffer, tag, payload.size());
    std::memcpy(buffer + headerSize, payload.data(), payload.size());
    return headerSize + payload.size();
}

bool RecordSplitter::next(char& tag, std::string& payload)
{
    if (garbled_ || pending_.size() - at_ < headerSize)
        return false;
    const auto* header = reinterpret_cast<const unsigned char*>(pending_.data() + at_);
    std::size_t length = 0;
    for (int i = 0; i < 4; ++i)
        length |= static_cast<std::size_t>(header[1 + i]) << (8 * i);
    if (length > maxPayload_) {
        garbled_ = true;
        return false;
    }
    if (pending_.size() - at_ - headerSize < length)
        return false;
    tag = static_cast<char>(header[0]);
    payload.assign(pending_, at_ + headerSize, length);
    at_ += headerSize + length;
    // What was read is dropped now and then, not at every record.
    if (at_ > (1u << 16) && at_ * 2 > pending_.size()) {
        pending_.erase(0, at_);
        at_ = 0;
    }
    return true;
}

} // namespace vesk_host::worker
