#include "events/call_names.h"

#include "base/text_util.h"

namespace vesk_host {

namespace {

struct TextWriter {
    std::string& out;
    void text(std::string_view piece) { out += piece; }
    void quoted(std::string_view piece) { out += quoteText(piece); }
    void number(long long value) { out += std::to_string(value); }
};

} // namespace

std::string callName(const HostEvent* call)
{
    std::string name;
    TextWriter writer{name};
    writeCallName(writer, call, CallDetail::brief);
    return name;
}

} // namespace vesk_host
