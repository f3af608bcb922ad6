// The live page's HTTP server (cpp-httplib): the page's own files, an
// event stream per open page (server-sent events), and the page's actions.
//
//   GET  /, /index.html, /app.js, /style.css   the page (built into the binary)
//   GET  /api/events      a stream: the full state, then every update
//   GET  /api/recording   the recording so far, as a session file
//   POST /api/step        body: one session step line
//   POST /api/restart     ends the script's process and starts a new one
//   POST /api/realtime    body: "on" or "off"
//
// Every request passes request_guard.h first; anything else is 404. The
// server reads no file. Event streams are capped (maxStreams), and each
// one ends when its page goes away or the server stops.
#ifndef VESK_HOST_WEB_WEB_SERVER_H
#define VESK_HOST_WEB_WEB_SERVER_H

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "web/broadcast.h"
#include "web/live_session.h"

namespace httplib {
class Server;
}

namespace vesk_host::web {

class WebServer {
public:
    static constexpr int maxStreams = 16;

    WebServer(LiveSession& live, Broadcast& broadcast);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds `address` and `port` (0: a free one). Returns the port.
    Result<int> bind(const std::string& address, int port);
    // Serves until stop(); false when the server could not serve.
    bool run();
    // From any thread: ends run() and every event stream.
    void stop();

private:
    void routes();

    LiveSession& live_;
    Broadcast& broadcast_;
    std::unique_ptr<httplib::Server> server_;
    std::vector<std::string> hosts_;
    std::atomic<int> streams_{0};
};

} // namespace vesk_host::web

#endif
