#include "worker/shared_ring.h"

#include <atomic>
#include <cstring>
#include <new>

#if !defined(_WIN32)
#include <sys/mman.h>
#include <time.h>
#endif

namespace vesk_host::worker {

// Counts of bytes written and read since the start; their difference is what waits.
struct SharedRing::Header {
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> read{0};
};

SharedRing::SharedRing(Header* header, char* data, std::size_t capacity)
    : header_(header), data_(data), capacity_(capacity)
{
}

std::unique_ptr<SharedRing> SharedRing::make(std::size_t capacity)
{
#if defined(_WIN32)
    (void)capacity;
    return nullptr;
#else
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the ring's counts are shared between processes");
    const std::size_t headerSize = 64;
    void* mapped = mmap(nullptr, headerSize + capacity, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    auto* header = new (mapped) Header;
    return std::unique_ptr<SharedRing>(new SharedRing(header, static_cast<char*>(mapped) + headerSize, capacity));
#endif
}

SharedRing::~SharedRing()
{
#if !defined(_WIN32)
    munmap(header_, 64 + capacity_);
#endif
}

std::size_t SharedRing::room() const
{
    return capacity_ - static_cast<std::size_t>(header_->written.load(std::memory_order_relaxed) -
                                                header_->read.load(std::memory_order_acquire));
}

bool SharedRing::halfFull() const { return room() < capacity_ / 2; }

std::size_t SharedRing::appendNow(const char* bytes, std::size_t size)
{
    const std::uint64_t written = header_->written.load(std::memory_order_relaxed);
    const std::size_t put = size < room() ? size : room();
    const std::size_t at = static_cast<std::size_t>(written % capacity_);
    const std::size_t first = put < capacity_ - at ? put : capacity_ - at;
    std::memcpy(data_ + at, bytes, first);
    std::memcpy(data_, bytes + first, put - first);
    // Published: the bytes are in place before the count says so.
    header_->written.store(written + put, std::memory_order_release);
    return put;
}

std::size_t SharedRing::take(std::string& into)
{
    const std::uint64_t read = header_->read.load(std::memory_order_relaxed);
    const std::uint64_t written = header_->written.load(std::memory_order_acquire);
    const auto size = static_cast<std::size_t>(written - read);
    const std::size_t at = static_cast<std::size_t>(read % capacity_);
    const std::size_t first = size < capacity_ - at ? size : capacity_ - at;
    into.append(data_ + at, first);
    into.append(data_, size - first);
    header_->read.store(written, std::memory_order_release);
    return size;
}

void SharedRing::pause()
{
#if !defined(_WIN32)
    const struct timespec wait = {0, 100 * 1000};
    nanosleep(&wait, nullptr);
#endif
}

} // namespace vesk_host::worker
