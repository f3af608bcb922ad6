// The few calls to the operating system that code outside the components'
// platform file pairs needs, said once: each has an implementation for
// POSIX (platform_posix.cpp) and one for Windows (platform_windows.cpp).
#ifndef VESK_HOST_PLATFORM_H
#define VESK_HOST_PLATFORM_H

#include <cstddef>

namespace vesk_host {

// This process's id, for names no other process makes at the same time.
int processId();
// Whether the descriptor is a terminal (a person watching), not a file or a pipe.
bool isTerminal(int fd);
// Bytes written to the descriptor go out as they are (no "\n" turned into "\r\n").
void writeBinary(int fd);
// One write of up to `size` bytes: how many were written, or -1 with errno
// set. Allocates nothing, so a signal handler may call it.
long writeSome(int fd, const char* bytes, std::size_t size);

} // namespace vesk_host

#endif
