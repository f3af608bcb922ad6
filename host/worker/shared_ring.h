// A byte stream from a worker to its supervisor through memory they share,
// mapped before the worker is forked: the worker appends without a system
// call, so it can publish everything before every call into the script at
// no cost, and what it published survives its death for the supervisor to
// read. The worker wakes the supervisor through its channel only when the
// ring fills up or it has something to be answered at once; the
// supervisor otherwise looks now and then. One writer, one reader. POSIX
// only (where workers are forked); make() gives nothing elsewhere.
#ifndef VESK_HOST_WORKER_SHARED_RING_H
#define VESK_HOST_WORKER_SHARED_RING_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vesk_host::worker {

class SharedRing {
public:
    // A ring of `capacity` bytes; nothing where shared memory cannot be had.
    static std::unique_ptr<SharedRing> make(std::size_t capacity);
    ~SharedRing();
    SharedRing(const SharedRing&) = delete;
    SharedRing& operator=(const SharedRing&) = delete;

    // The worker's side. Appends all `size` bytes, waiting while the ring is
    // full; `wake` is called (at most once a wait) to have the supervisor
    // read, and answers false when the supervisor is gone: the rest is then
    // dropped. Not for a signal handler.
    template <class Wake> void append(const char* bytes, std::size_t size, Wake wake)
    {
        while (size > 0) {
            const std::size_t put = appendNow(bytes, size);
            bytes += put;
            size -= put;
            if (size > 0 && !waitForRoom(wake))
                return;
        }
    }
    // Appends what fits now, without waiting or allocating (a signal handler may).
    std::size_t appendNow(const char* bytes, std::size_t size);
    // Whether more than half of the ring waits to be read.
    bool halfFull() const;

    // The supervisor's side: appends to `into` what waits to be read, and
    // takes it; the bytes taken.
    std::size_t take(std::string& into);

private:
    struct Header;
    SharedRing(Header* header, char* data, std::size_t capacity);
    template <class Wake> bool waitForRoom(Wake& wake)
    {
        if (!wake())
            return false;
        while (room() == 0)
            pause();
        return true;
    }
    std::size_t room() const;
    static void pause();

    Header* header_;
    char* data_;
    std::size_t capacity_;
};

} // namespace vesk_host::worker

#endif
