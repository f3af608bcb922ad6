#include "web/http_connection.h"

#include <boost/asio/post.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include "transcript/transcript_json.h"
#include "web/event_stream.h"
#include "web/request_guard.h"
#include "web/routes.h"

namespace vesk_host::web {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

// The largest buffer a connection reads into: a head, or a piece of a body.
constexpr std::size_t readBuffer = 65536;

std::string answerJson(int status, const std::string& message)
{
    return jsonLine(Json{{"ok", status == 200 && message.empty()}, {"message", message}});
}

std::optional<std::string> header(const http::request<http::string_body>& request, beast::string_view name)
{
    const auto found = request.find(name);
    if (found == request.end())
        return std::nullopt;
    return std::string(found->value());
}

RequestFacts factsOf(const http::request_parser<http::string_body>& parser)
{
    const auto& request = parser.get();
    RequestFacts facts;
    facts.method = std::string(request.method_string());
    facts.host = header(request, "Host");
    facts.origin = header(request, "Origin");
    facts.mark = header(request, pageMarkHeader);
    facts.hostHeaders = static_cast<int>(request.count(http::field::host));
    for (const auto& field : request)
        facts.controlBytes = facts.controlBytes || hasControlBytes(std::string(field.name_string())) ||
                             hasControlBytes(std::string(field.value()));
    const auto length = parser.content_length();
    facts.bodySize = length ? static_cast<std::size_t>(*length) : 0;
    facts.hasBody = parser.chunked() || (length && *length > 0);
    facts.framed = parser.chunked() || length.has_value();
    return facts;
}

// The status for a head or body that could not be read as one.
int readFailure(const boost::system::error_code& error)
{
    if (error == http::error::header_limit)
        return 431;
    if (error == http::error::body_limit)
        return 413;
    return 400;
}

bool clientGone(const boost::system::error_code& error)
{
    return error == http::error::end_of_stream || error == beast::error::timeout || error == asio::error::eof ||
           error == asio::error::connection_reset || error == asio::error::operation_aborted ||
           error == http::error::partial_message;
}

} // namespace

HttpConnection::HttpConnection(ServerCore& core, asio::ip::tcp::socket socket)
    : core_(core), stream_(std::move(socket)), buffer_(readBuffer)
{
}

HttpConnection::~HttpConnection() { --core_.connections; }

void HttpConnection::readHead()
{
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(core_.limits.headBytes));
    parser_->body_limit(maxRequestBody);
    stream_.expires_after(core_.limits.headTime);
    http::async_read_header(stream_, buffer_, *parser_,
                            [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                                self->onHead(error);
                            });
}

bool HttpConnection::readFailed(const boost::system::error_code& error, const char* what)
{
    if (!error)
        return false;
    // A client that went away or stalled gets no answer; one that sent
    // something unreadable is told so.
    if (!clientGone(error))
        answer(readFailure(error), std::string("the request ") + what + " cannot be read: " + error.message(), true);
    return true;
}

void HttpConnection::onHead(const boost::system::error_code& error)
{
    if (readFailed(error, "head"))
        return;
    const Verdict verdict = checkRequest(factsOf(*parser_), core_.hosts);
    if (verdict.status != 0) {
        answer(verdict.status, verdict.reason, true);
        return;
    }
    if (parser_->is_done()) {
        dispatch();
        return;
    }
    stream_.expires_after(core_.limits.bodyTime);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                         self->onBody(error);
                     });
}

void HttpConnection::onBody(const boost::system::error_code& error)
{
    if (readFailed(error, "body"))
        return;
    dispatch();
}

void HttpConnection::dispatch()
{
    auto& request = parser_->get();
    const auto method = request.method_string();
    const auto target = request.target();
    const RouteMatch match =
        matchRoute(std::string_view(method.data(), method.size()), std::string_view(target.data(), target.size()));
    switch (match.kind) {
    case RouteKind::notFound: answer(404, "no such page"); return;
    case RouteKind::wrongMethod: answer(405, "not answered with " + std::string(request.method_string())); return;
    case RouteKind::events: openStream(); return;
    case RouteKind::step:
    case RouteKind::restart:
    case RouteKind::realtime: queueAction(match.kind, std::move(request.body())); return;
    case RouteKind::asset:
    case RouteKind::recording: break;
    }
    Response response{http::status::ok, request.version()};
    if (match.kind == RouteKind::asset) {
        response.set(http::field::content_type, match.asset->type);
        response.body().assign(reinterpret_cast<const char*>(match.asset->data), match.asset->size);
    } else {
        response.set(http::field::content_type, "text/plain; charset=utf-8");
        response.set(http::field::content_disposition, "attachment; filename=\"" + core_.live.recordingName() + "\"");
        response.body() = core_.live.recording();
    }
    send(std::move(response), false);
}

void HttpConnection::queueAction(RouteKind kind, std::string body)
{
    LiveSession& live = core_.live;
    auto io = &core_.io;
    const bool queued = core_.actions.push([&live, io, kind, body = std::move(body), self = shared_from_this()]() mutable {
        LiveSession::Outcome outcome{200, ""};
        if (kind == RouteKind::step) {
            outcome = live.step(body);
        } else if (kind == RouteKind::restart) {
            outcome = live.restart();
        } else if (body == "on" || body == "off") {
            live.setRealTime(body == "on");
        } else {
            outcome = {400, "real time is \"on\" or \"off\""};
        }
        // The connection is handed to the I/O thread whole: this thread keeps no share of it.
        asio::post(*io, [self = std::move(self), outcome = std::move(outcome)] {
            self->answer(outcome.httpStatus, outcome.message);
        });
    });
    if (!queued)
        answer(503, "the script is busy: " + std::to_string(core_.limits.waitingActions) +
                        " actions are waiting; try again when they are done");
}

void HttpConnection::openStream()
{
    if (core_.stopping) {
        answer(503, "the server is stopping", true);
        return;
    }
    if (++core_.streams > core_.limits.streams) {
        --core_.streams;
        answer(503, "too many pages are open (" + std::to_string(core_.limits.streams) + "); close one", true);
        return;
    }
    // The connection now belongs to the stream, and is counted as its.
    ++core_.connections;
    auto stream = std::make_shared<EventStream>(core_, stream_.release_socket());
    stream->start();
}

void HttpConnection::answer(int status, const std::string& message, bool close)
{
    const unsigned version = parser_ && parser_->is_header_done() ? parser_->get().version() : 11;
    Response response{static_cast<http::status>(status), version};
    response.set(http::field::content_type, "application/json");
    response.body() = answerJson(status, message);
    send(std::move(response), close);
}

void HttpConnection::send(Response response, bool close)
{
    const bool head = parser_ && parser_->is_header_done() && parser_->get().method() == http::verb::head;
    close = close || !parser_ || !parser_->is_header_done() || !parser_->get().keep_alive();
    response.set("X-Content-Type-Options", "nosniff");
    response.set("X-Frame-Options", "DENY");
    response.set("Referrer-Policy", "no-referrer");
    response.set(http::field::cache_control, "no-store");
    response.set("Content-Security-Policy", "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'");
    response.keep_alive(!close);
    response.prepare_payload();
    if (head)
        response.body().clear();
    response_ = std::make_shared<Response>(std::move(response));
    stream_.expires_after(core_.limits.writeTime);
    // Bytes of the client's may still be coming (a body, or whatever followed an unreadable head).
    const bool more = !parser_ || !parser_->is_done() || buffer_.size() > 0;
    auto write = [self = shared_from_this(), close, more](const boost::system::error_code& error, std::size_t) {
        self->response_.reset();
        if (error)
            return;
        if (!close) {
            self->readHead();
        } else if (more) {
            self->lingerAndClose();
        } else {
            boost::system::error_code ignored;
            self->stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
            self->stream_.socket().close(ignored);
        }
    };
    http::async_write(stream_, *response_, std::move(write));
}

void HttpConnection::lingerAndClose()
{
    boost::system::error_code ignored;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    stream_.expires_after(core_.limits.lingerTime);
    discardRest();
}

void HttpConnection::discardRest()
{
    stream_.async_read_some(asio::buffer(discard_),
                            [self = shared_from_this()](const boost::system::error_code& error, std::size_t size) {
                                self->discarded_ += size;
                                if (error || self->discarded_ >= self->core_.limits.lingerBytes) {
                                    boost::system::error_code ignored;
                                    self->stream_.socket().close(ignored);
                                    return;
                                }
                                self->discardRest();
                            });
}

} // namespace vesk_host::web
