#include "web/web_server.h"

#include <httplib.h>

#include <chrono>

#include "base/text_util.h"
#include "transcript/transcript_json.h"
#include "web/request_guard.h"
#include "web/web_assets.h"

namespace vesk_host::web {

namespace {

constexpr int threads = 24;

std::optional<std::string> header(const httplib::Request& request, const char* name)
{
    if (!request.has_header(name))
        return std::nullopt;
    return request.get_header_value(name);
}

void answer(httplib::Response& response, int status, const std::string& message)
{
    response.status = status;
    response.set_content(jsonLine(Json{{"ok", status == 200 && message.empty()}, {"message", message}}),
                         "application/json");
}

void serveAsset(httplib::Response& response, const char* path)
{
    const Asset* asset = findAsset(path);
    if (!asset) {
        response.status = 404;
        return;
    }
    response.set_content(reinterpret_cast<const char*>(asset->data), asset->size, asset->type);
}

// One page's event stream.
struct Stream {
    std::string full;
    std::uint64_t after = 0;
    bool fullSent = false;
};

bool sendEvent(httplib::DataSink& sink, std::string message)
{
    if (!message.empty() && message.back() == '\n')
        message.pop_back();
    const std::string event = "data: " + message + "\n\n";
    return sink.write(event.data(), event.size());
}

} // namespace

WebServer::WebServer(LiveSession& live, Broadcast& broadcast)
    : live_(live), broadcast_(broadcast), server_(std::make_unique<httplib::Server>())
{
    server_->new_task_queue = [] { return new httplib::ThreadPool(threads); };
    server_->set_payload_max_length(maxRequestBody);
    server_->set_read_timeout(std::chrono::seconds(10));
    server_->set_write_timeout(std::chrono::seconds(10));
    server_->set_keep_alive_max_count(100);
    server_->set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                  {"X-Frame-Options", "DENY"},
                                  {"Referrer-Policy", "no-referrer"},
                                  {"Cache-Control", "no-store"},
                                  {"Content-Security-Policy",
                                   "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'"}});
    routes();
}

WebServer::~WebServer() = default;

Result<int> WebServer::bind(const std::string& address, int port)
{
    int bound = -1;
    if (port == 0)
        bound = server_->bind_to_any_port(address);
    else if (server_->bind_to_port(address, port))
        bound = port;
    if (bound <= 0)
        return fail("cannot listen on " + address + " port " + std::to_string(port));
    hosts_ = servedHosts(address, bound);
    return bound;
}

bool WebServer::run() { return server_->listen_after_bind(); }

void WebServer::stop()
{
    broadcast_.close();
    server_->stop();
}

void WebServer::routes()
{
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        RequestFacts facts;
        facts.method = request.method;
        facts.host = header(request, "Host");
        facts.origin = header(request, "Origin");
        facts.mark = header(request, pageMarkHeader);
        const std::string length = request.get_header_value("Content-Length");
        const auto declared = parseInt64(length);
        facts.bodySize = length.empty()               ? 0
                         : !declared || *declared < 0 ? maxRequestBody + 1
                                                      : static_cast<std::size_t>(*declared);
        const Verdict verdict = checkRequest(facts, hosts_);
        if (verdict.status == 0)
            return httplib::Server::HandlerResponse::Unhandled;
        answer(response, verdict.status, verdict.reason);
        // A refused body is never read: the connection cannot carry another request.
        response.set_header("Connection", "close");
        return httplib::Server::HandlerResponse::Handled;
    });

    server_->Get("/", [](const httplib::Request&, httplib::Response& response) { serveAsset(response, "/index.html"); });
    for (const char* path : {"/index.html", "/app.js", "/style.css"})
        server_->Get(path, [path](const httplib::Request&, httplib::Response& response) { serveAsset(response, path); });

    server_->Get("/api/recording", [this](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Disposition", "attachment; filename=\"" + live_.recordingName() + "\"");
        response.set_content(live_.recording(), "text/plain; charset=utf-8");
    });

    server_->Get("/api/events", [this](const httplib::Request&, httplib::Response& response) {
        if (++streams_ > maxStreams) {
            --streams_;
            answer(response, 503, "too many pages are open; close one");
            return;
        }
        auto stream = std::make_shared<Stream>();
        std::tie(stream->full, stream->after) = live_.fullState();
        response.set_header("X-Accel-Buffering", "no");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, stream](std::size_t, httplib::DataSink& sink) {
                if (!stream->fullSent) {
                    stream->fullSent = true;
                    return sendEvent(sink, stream->full);
                }
                const auto batch = broadcast_.after(stream->after, std::chrono::seconds(5));
                if (batch.closed)
                    return false;
                if (batch.lost) {
                    std::tie(stream->full, stream->after) = live_.fullState();
                    return sendEvent(sink, stream->full);
                }
                stream->after = batch.last;
                if (batch.messages.empty()) {
                    static const char keepAlive[] = ": still here\n\n";
                    return sink.write(keepAlive, sizeof keepAlive - 1);
                }
                for (const std::string& message : batch.messages)
                    if (!sendEvent(sink, message))
                        return false;
                return true;
            },
            [this](bool) { --streams_; });
    });

    server_->Post("/api/step", [this](const httplib::Request& request, httplib::Response& response) {
        const auto outcome = live_.step(request.body);
        answer(response, outcome.httpStatus, outcome.message);
    });
    server_->Post("/api/restart", [this](const httplib::Request&, httplib::Response& response) {
        const auto outcome = live_.restart();
        answer(response, outcome.httpStatus, outcome.message);
    });
    server_->Post("/api/realtime", [this](const httplib::Request& request, httplib::Response& response) {
        if (request.body != "on" && request.body != "off") {
            answer(response, 400, "real time is \"on\" or \"off\"");
            return;
        }
        live_.setRealTime(request.body == "on");
        answer(response, 200, "");
    });
}

} // namespace vesk_host::web
