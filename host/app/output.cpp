#include "app/output.h"

#include <cstring>

#include "base/platform.h"
#include "base/write_all.h"

namespace vesk_host {

Output::Output(int fd) : fd_(fd)
{
    writeBinary(fd);
}

Output& Output::standard()
{
    static Output output(1);
    return output;
}

void Output::write(std::string_view text)
{
    if (length_ + text.size() > capacity)
        flush();
    if (text.size() > capacity) {
        writeAll(fd_, text.data(), text.size());
        return;
    }
    std::memcpy(buffer_ + length_, text.data(), text.size());
    length_ = length_ + text.size();
}

void Output::flush() { flushFromSignal(); }

void Output::flushFromSignal()
{
    const std::size_t length = length_;
    length_ = 0;
    writeAll(fd_, buffer_, length);
}

} // namespace vesk_host
