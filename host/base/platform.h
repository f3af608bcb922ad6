// The few calls to the operating system that code outside the components'
// platform file pairs needs, said once: each has an implementation for
// POSIX (platform_posix.cpp) and one for Windows (platform_windows.cpp).
// Whole writes to a descriptor are write_all.h's, made in the same pair.
#ifndef VESK_HOST_PLATFORM_H
#define VESK_HOST_PLATFORM_H

namespace vesk_host {

// This process's id, for names no other process makes at the same time.
int processId();
// Whether the descriptor is a terminal (a person watching), not a file or a pipe.
bool isTerminal(int fd);
// Bytes written to the descriptor go out as they are (no "\n" turned into "\r\n").
void writeBinary(int fd);

} // namespace vesk_host

#endif
