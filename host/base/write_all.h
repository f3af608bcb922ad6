// Writing a whole buffer to a file descriptor: the one loop every pipe,
// channel and output of the emulator goes through.
#ifndef VESK_HOST_WRITE_ALL_H
#define VESK_HOST_WRITE_ALL_H

#include <cstddef>

namespace vesk_host {

// Writes all `size` bytes to `fd`, going on after an interrupted write.
// False when a write fails or writes nothing (the reader is gone, a full
// disk): what was written stays written. Allocates nothing and takes no
// lock, so a signal handler may call it.
bool writeAll(int fd, const char* bytes, std::size_t size);

} // namespace vesk_host

#endif
