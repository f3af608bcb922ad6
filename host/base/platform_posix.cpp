#include "base/platform.h"

#include <unistd.h>

#include <cerrno>

#include "base/write_all.h"

namespace vesk_host {

int processId() { return static_cast<int>(getpid()); }

bool isTerminal(int fd) { return isatty(fd) == 1; }

void writeBinary(int) {}

bool writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
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
