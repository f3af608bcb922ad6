// Standard output through one buffer: transcripts of any length are
// written as they happen with few system calls, byte for byte ("\n" line
// ends on every platform, so a Windows run compares equal to a Linux one).
// What is buffered can be written out from a fatal-signal handler.
#ifndef VESK_HOST_OUTPUT_H
#define VESK_HOST_OUTPUT_H

#include <cstddef>
#include <string_view>

namespace vesk_host {

class Output {
public:
    // Standard output, in binary mode.
    static Output& standard();

    void write(std::string_view text);
    void flush();
    // Only write(2) on what is buffered: for a signal handler or an exit hook.
    void flushFromSignal();

private:
    explicit Output(int fd);

    int fd_;
    static constexpr std::size_t capacity = 1 << 16;
    char buffer_[capacity];
    volatile std::size_t length_ = 0;
};

} // namespace vesk_host

#endif
