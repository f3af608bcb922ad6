// Fans the server's messages out to every open page. Each message gets the
// next sequence number; a page's event stream remembers the last number it
// sent and asks for what came after. Only the last messages are held, at
// most `keepCount` of them and at most `keepBytes` bytes together (the
// newest is always held): a page that falls further behind is told so and
// starts again from a full state. Thread-safe; never blocks on a reader:
// the listener (the HTTP server) is called after each publish and close,
// outside the lock, and fetches what it needs.
#ifndef VESK_HOST_WEB_BROADCAST_H
#define VESK_HOST_WEB_BROADCAST_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vesk_host::web {

class Broadcast {
public:
    explicit Broadcast(std::size_t keepCount = 1000, std::size_t keepBytes = 8u << 20)
        : keepCount_(keepCount), keepBytes_(keepBytes)
    {
    }

    // Returns the message's sequence number (the first is 1).
    std::uint64_t publish(std::string message);
    // The number of the last message published (0 before the first).
    std::uint64_t last() const;

    struct Batch {
        std::vector<std::string> messages;
        std::uint64_t last = 0;  // the number of the last message in `messages`, or the one asked after
        bool lost = false;       // messages after the one asked about are no longer held
        bool closed = false;
    };
    // The messages after `after` that are held now, at most `maxBytes` of
    // them together (at least one, whatever its size).
    Batch after(std::uint64_t after, std::size_t maxBytes = SIZE_MAX) const;

    // Called (from the publishing thread) after every publish and close.
    void setListener(std::function<void()> listener);
    void close();

    // What is held now, for tests and the docs' numbers.
    std::size_t heldBytes() const;

private:
    void notify();

    std::size_t keepCount_;
    std::size_t keepBytes_;
    mutable std::mutex mutex_;
    std::deque<std::string> messages_;
    std::size_t bytes_ = 0;
    std::uint64_t last_ = 0;
    bool closed_ = false;
    std::function<void()> listener_;
};

} // namespace vesk_host::web

#endif
