// One page's event stream (server-sent events) on a connection of its own:
// the full state first, then every update as it is published, a comment
// line when idle (so a page that went away is noticed), and a full state
// again when the page fell behind what the broadcast holds. It writes one
// batch at a time and fetches the next only when the client has taken it,
// so a page that stops reading costs one batch, and is dropped after the
// write time. Anything the client sends, or its going away, ends the stream.
// Lives on the I/O thread; owned by its pending operations.
#ifndef VESK_HOST_WEB_EVENT_STREAM_H
#define VESK_HOST_WEB_EVENT_STREAM_H

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "web/server_core.h"

namespace vesk_host::web {

class EventStream : public std::enable_shared_from_this<EventStream> {
public:
    // `core.streams` already counts this stream; it is given back on close.
    EventStream(ServerCore& core, boost::asio::ip::tcp::socket socket);
    ~EventStream();

    void start();
    // Sends what came since the last write, if no write is under way.
    void pump();
    void close();

private:
    void write();
    void watchClient();
    void armKeepAlive();
    void fullState();

    ServerCore& core_;
    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer writeTimer_;
    boost::asio::steady_timer keepAlive_;
    std::array<char, 256> in_{};
    std::string out_;
    std::uint64_t after_ = 0;
    bool writing_ = false;
    bool closed_ = false;
};

// One server-sent event carrying `message` (a JSON line).
std::string sseEvent(std::string message);

} // namespace vesk_host::web

#endif
