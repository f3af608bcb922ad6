#include "base/write_all.h"

#include <cerrno>

#include "base/platform.h"

namespace vesk_host {

bool writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const long written = writeSome(fd, bytes, size);
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
