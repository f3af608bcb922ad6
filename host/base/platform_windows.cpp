#include "base/platform.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>

namespace vesk_host {

int processId() { return _getpid(); }

bool isTerminal(int fd) { return _isatty(fd) != 0; }

void writeBinary(int fd) { _setmode(fd, _O_BINARY); }

long writeSome(int fd, const char* bytes, std::size_t size)
{
    // _write takes an unsigned count: at most 1 GiB at a time.
    return _write(fd, bytes, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}

} // namespace vesk_host
