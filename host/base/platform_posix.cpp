#include "base/platform.h"

#include <unistd.h>

namespace vesk_host {

int processId() { return static_cast<int>(getpid()); }

bool isTerminal(int fd) { return isatty(fd) == 1; }

void writeBinary(int) {}

long writeSome(int fd, const char* bytes, std::size_t size) { return static_cast<long>(::write(fd, bytes, size)); }

} // namespace vesk_host
