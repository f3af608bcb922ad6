// The live page's HTTP server: Boost.Beast's HTTP/1.1 parser on Asio, one
// I/O thread that never waits for a client (routes.h says what it answers,
// http_connection.h how a request is read and refused, event_stream.h how
// pages are kept up to date). The page's actions run one at a time on the
// action queue's thread, so a long step holds up no other client. Every
// bound (head time and bytes, body bytes, connections, event streams,
// waiting actions) is in http_limits.h.
#ifndef VESK_HOST_WEB_WEB_SERVER_H
#define VESK_HOST_WEB_WEB_SERVER_H

#include <memory>
#include <string>

#include "base/result.h"
#include "web/action_queue.h"
#include "web/broadcast.h"
#include "web/http_limits.h"
#include "web/live_session.h"

namespace vesk_host::web {

struct ServerCore;

class WebServer {
public:
    WebServer(LiveSession& live, Broadcast& broadcast, HttpLimits limits = {});
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds `address` (a numeric address, as inet_ntop writes it) and `port`
    // (0: a free one) for this server alone: a port that another program
    // listens on is an error, never shared. A wildcard address serves every
    // interface. Returns the port.
    Result<int> bind(const std::string& address, int port);
    // Serves on the calling thread until stop().
    void run();
    // From any thread: ends run() and every event stream.
    void stop();

private:
    Broadcast& broadcast_;
    ActionQueue actions_;
    std::shared_ptr<ServerCore> core_;
};

} // namespace vesk_host::web

#endif
