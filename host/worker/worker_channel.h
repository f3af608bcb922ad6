// A worker's two channels to its supervisor, as the worker sees them:
// whole writes up, reads down. Neither allocates, so the worker's fatal
// watch may write from a signal handler.
#ifndef VESK_HOST_WORKER_CHANNEL_H
#define VESK_HOST_WORKER_CHANNEL_H

#include <cstddef>

namespace vesk_host::worker {

class Channel {
public:
    virtual ~Channel() = default;
    // Writes all bytes up; false when the supervisor is gone.
    virtual bool write(const char* bytes, std::size_t size) = 0;
    // Reads what the supervisor sent, waiting for it: the bytes read, or 0
    // at the end (the supervisor closed its side or is gone).
    virtual std::size_t read(char* into, std::size_t size) = 0;
    // The descriptor of the upward channel, for a signal or exception handler; -1 where there is none.
    virtual int upDescriptor() const { return -1; }
};

} // namespace vesk_host::worker

#endif
