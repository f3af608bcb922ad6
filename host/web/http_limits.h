// The bounds of the live page's HTTP server: what one client may hold of it
// (time, bytes, connections) so that no client, slow or hostile, can keep it
// from answering the others.
#ifndef VESK_HOST_WEB_HTTP_LIMITS_H
#define VESK_HOST_WEB_HTTP_LIMITS_H

#include <chrono>
#include <cstddef>

namespace vesk_host::web {

struct HttpLimits {
    // A request head (request line and headers) must arrive complete within
    // this time of the connection's first byte or of the previous answer,
    // and hold at most this many bytes.
    std::chrono::milliseconds headTime{10000};
    std::size_t headBytes = 16384;
    // A body (at most maxRequestBody bytes, request_guard.h) within this time.
    std::chrono::milliseconds bodyTime{10000};
    // An answer or an event must be taken by the client within this time.
    std::chrono::milliseconds writeTime{30000};
    // Open connections, event streams among them.
    int connections = 128;
    int streams = 16;
    // Page actions waiting behind the one being carried out.
    std::size_t waitingActions = 32;
    // A comment line on an idle event stream, so that a dead page is noticed.
    std::chrono::milliseconds keepAlive{15000};
    // After a refused request: how long, and how many bytes, the server
    // discards what the client still sends before it closes (so that the
    // client reads the answer rather than a reset).
    std::chrono::milliseconds lingerTime{2000};
    std::size_t lingerBytes = 65536;
    // The most bytes of updates written to a page's stream at once.
    std::size_t streamBatchBytes = 1u << 20;
};

} // namespace vesk_host::web

#endif
