#include "validator/channel.h"

#include "base/text_util.h"

namespace vesk_host::validator {

std::string encodeRecord(char tag, std::string_view payload)
{
    std::string record(1, tag);
    record += std::to_string(payload.size());
    record += ':';
    record += payload;
    return record;
}

void RecordReader::feed(const char* bytes, std::size_t size)
{
    pending_.append(bytes, size);
    std::size_t start = 0;
    while (!garbled_ && start < pending_.size()) {
        const std::size_t colon = pending_.find(':', start);
        if (colon == std::string::npos) {
            // A length has at most 19 digits; more without a ':' is no record.
            garbled_ = pending_.size() - start > 21;
            break;
        }
        const auto length = parseInt64(std::string_view(pending_).substr(start + 1, colon - start - 1));
        if (!length || *length < 0) {
            garbled_ = true;
            break;
        }
        const auto size64 = static_cast<std::size_t>(*length);
        if (pending_.size() - colon - 1 < size64)
            break;
        take(pending_[start], pending_.substr(colon + 1, size64));
        start = colon + 1 + size64;
    }
    pending_.erase(0, start);
}

void RecordReader::take(char tagByte, std::string payload)
{
    switch (tagByte) {
    case tag::line:
        lines_.push_back(std::move(payload));
        if (lines_.size() > keepLines_)
            lines_.pop_front();
        return;
    case tag::status:
        if (const auto status = statusNamed(payload))
            result_.status = *status;
        else
            garbled_ = true;
        return;
    case tag::detail:
        result_.details.push_back(std::move(payload));
        return;
    case tag::end:
        finished_ = true;
        return;
    case tag::finding:
    case tag::fatal: {
        const std::size_t tab = payload.find('\t');
        std::string finding = tab == std::string::npos ? payload : payload.substr(0, tab) + ": " + payload.substr(tab + 1);
        if (tagByte == tag::fatal)
            fatal_ = std::move(finding);
        else if (findings_.size() < 20)
            findings_.push_back(std::move(finding));
        return;
    }
    case tag::signal:
        signal_ = std::move(payload);
        return;
    case tag::timeout:
        timedOut_ = true;
        return;
    case tag::call:
        call_ = std::move(payload);
        return;
    case tag::returned:
        call_.clear();
        return;
    default:
        garbled_ = true;
    }
}

} // namespace vesk_host::validator
