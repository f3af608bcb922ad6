// One client connection of the live page's server, on the I/O thread: it
// reads one request head at a time (bounded in bytes and time), checks it
// (request_guard.h), reads a bounded body where one is expected, answers,
// and only then reads the next request, so pipelined requests are answered
// in order. A refused or malformed request is answered with
// "Connection: close" and nothing after its head is read as a request: the
// connection is shut for sending, what the client still sends is discarded
// for a moment (so that it reads the answer rather than a reset), and it is
// closed. A page action waits in the action queue without holding the I/O
// thread; an event stream request hands the socket to an EventStream.
// Owned by its pending operations.
#ifndef VESK_HOST_WEB_HTTP_CONNECTION_H
#define VESK_HOST_WEB_HTTP_CONNECTION_H

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "web/live_session.h"
#include "web/routes.h"
#include "web/server_core.h"

namespace vesk_host::web {

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    // `core.connections` already counts this connection; given back when it ends.
    HttpConnection(ServerCore& core, boost::asio::ip::tcp::socket socket);
    ~HttpConnection();

    void start() { readHead(); }

private:
    using Request = boost::beast::http::request_parser<boost::beast::http::string_body>;
    using Response = boost::beast::http::response<boost::beast::http::string_body>;

    void readHead();
    void onHead(const boost::system::error_code& error);
    void onBody(const boost::system::error_code& error);
    // Answers (or, for a client gone or stalled, just ends) a read that
    // failed; false when there was no error.
    bool readFailed(const boost::system::error_code& error, const char* what);
    void dispatch();
    void queueAction(RouteKind kind, std::string body);
    void openStream();
    void answer(int status, const std::string& message, bool close = false);
    void send(Response response, bool close);
    void lingerAndClose();
    void discardRest();

    ServerCore& core_;
    boost::beast::tcp_stream stream_;
    boost::beast::flat_buffer buffer_;
    std::optional<Request> parser_;
    std::shared_ptr<Response> response_;
    std::array<char, 4096> discard_{};
    std::size_t discarded_ = 0;
};

} // namespace vesk_host::web

#endif
