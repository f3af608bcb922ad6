#include "base/write_all.h"

#include <cerrno>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vesk_host {

bool writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
#if defined(_WIN32)
        // _write takes an unsigned count: at most 1 GiB at a time.
        const int written = _write(fd, bytes, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
#else
        const ssize_t written = ::write(fd, bytes, size);
#endif
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace vesk_host
