// Fans the server's messages out to every open page. Each message gets the
// next sequence number; a page's event stream remembers the last number it
// sent and asks for what came after. Only the last `keep` messages are
// held: a page that falls further behind is told so and starts again from
// a full state. Thread-safe; close() wakes every waiting stream.
#ifndef VESK_HOST_WEB_BROADCAST_H
#define VESK_HOST_WEB_BROADCAST_H

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vesk_host::web {

class Broadcast {
public:
    explicit Broadcast(std::size_t keep = 1000) : keep_(keep) {}

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
    // The messages after `after`, waiting up to `wait` for one to come.
    Batch after(std::uint64_t after, std::chrono::milliseconds wait) const;

    void close();

private:
    std::size_t keep_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<std::string> messages_;
    std::uint64_t last_ = 0;
    bool closed_ = false;
};

} // namespace vesk_host::web

#endif
