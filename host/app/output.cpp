#include "output.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vesk_host {

namespace {

// Writes everything or gives up on an error; no allocation, no locks.
void writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
#if defined(_WIN32)
        const int written = _write(fd, bytes, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
#else
        const ssize_t written = ::write(fd, bytes, size);
#endif
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

} // namespace

Output::Output(int fd) : fd_(fd)
{
#if defined(_WIN32)
    // The C runtime would otherwise turn every "\n" into "\r\n".
    _setmode(fd, _O_BINARY);
#endif
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
