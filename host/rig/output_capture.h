// What the script prints, taken per call: the worker's standard output and
// error go to a file of its own, read and emptied after every call, so that
// the transcript shows it at the call that wrote it and nothing of it is
// mixed into the transcript. POSIX (output_capture_posix.cpp): an anonymous
// file whose first page is also mapped, and kept zeroed while nothing is
// pending, so a call that printed nothing costs one look at memory, no
// system call. Windows (output_capture_windows.cpp): a temporary file,
// which also takes the script's debugger output (OutputDebugStringA).
#ifndef VESK_HOST_RIG_OUTPUT_CAPTURE_H
#define VESK_HOST_RIG_OUTPUT_CAPTURE_H

#include <cstddef>

namespace vesk_host {

class OutputCapture {
public:
    // Most bytes taken from one call; the rest is counted, not kept.
    static constexpr std::size_t maxPerCall = 16384;

    // Puts descriptors 1 and 2 onto the capture file; false (nothing
    // captured) where it cannot be had.
    bool start();
    // Copies what was printed since the last take into `into` (at most
    // `size` bytes, the rest dropped) and empties the file. The bytes
    // copied; `dropped` adds those that did not fit. Allocates nothing, so
    // a signal handler may call it.
    std::size_t take(char* into, std::size_t size, std::size_t& dropped);
    bool capturing() const { return fd_ >= 0; }

private:
    int fd_ = -1;  // the C runtime's descriptor of the file
    const volatile char* watched_ = nullptr;  // the file's first page, mapped (POSIX)
    std::size_t watchedSize_ = 0;
};

} // namespace vesk_host

#endif
