#include "base/platform.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>

#include <cerrno>

#include "base/write_all.h"

namespace vesk_host {

int processId() { return _getpid(); }

bool isTerminal(int fd) { return _isatty(fd) != 0; }

void writeBinary(int fd) { _setmode(fd, _O_BINARY); }

bool writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        // _write takes an unsigned count: at most 1 GiB at a time.
        const int written = _write(fd, bytes, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
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
