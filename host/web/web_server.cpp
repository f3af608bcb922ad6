#include "web/web_server.h"

#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include "web/event_stream.h"
#include "web/http_connection.h"
#include "web/request_guard.h"
#include "web/server_core.h"

namespace vesk_host::web {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

// Every address of this machine's interfaces, for a server on all of them.
std::vector<std::string> interfaceAddresses()
{
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr)
            continue;
        boost::system::error_code error;
        if (entry->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            asio::ip::address_v4::bytes_type bytes;
            std::memcpy(bytes.data(), &in->sin_addr, bytes.size());
            addresses.push_back(asio::ip::address_v4(bytes).to_string());
        } else if (entry->ifa_addr->sa_family == AF_INET6) {
            const auto* in = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
            asio::ip::address_v6::bytes_type bytes;
            std::memcpy(bytes.data(), &in->sin6_addr, bytes.size());
            addresses.push_back(asio::ip::address_v6(bytes).to_string());
        }
    }
    freeifaddrs(list);
    return addresses;
}

const std::string& busyAnswer()
{
    static const std::string answer = [] {
        const std::string body = "{\"ok\":false,\"message\":\"too many connections are open; try again\"}\n";
        return "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Type: application/json\r\n"
               "Content-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
    }();
    return answer;
}

// Handlers hold the core by pointer, never by share: the core owns the I/O
// context that holds them, and is gone only after run() has returned.
void accept(ServerCore* core)
{
    core->acceptor.async_accept([core](const boost::system::error_code& error, tcp::socket socket) {
        if (core->stopping)
            return;
        if (error) {
            // Out of descriptors, say: try again shortly rather than spin.
            auto timer = std::make_shared<asio::steady_timer>(core->io, std::chrono::milliseconds(100));
            timer->async_wait([core, timer](const boost::system::error_code&) { accept(core); });
            return;
        }
        if (core->connections >= core->limits.connections) {
            // Told at once, without waiting on the client: a write that does not fit is dropped.
            boost::system::error_code ignored;
            socket.non_blocking(true, ignored);
            socket.write_some(asio::buffer(busyAnswer()), ignored);
            socket.close(ignored);
        } else {
            ++core->connections;
            std::make_shared<HttpConnection>(*core, std::move(socket))->start();
        }
        accept(core);
    });
}

} // namespace

WebServer::WebServer(LiveSession& live, Broadcast& broadcast, HttpLimits limits)
    : broadcast_(broadcast), actions_(limits.waitingActions),
      core_(std::make_shared<ServerCore>(live, broadcast, actions_, limits))
{
    std::weak_ptr<ServerCore> weak = core_;
    broadcast_.setListener([weak] {
        if (auto core = weak.lock())
            asio::post(core->io, [core = core.get()] { core->wakeStreams(); });
    });
}

WebServer::~WebServer()
{
    actions_.stop();
    broadcast_.setListener({});
}

Result<int> WebServer::bind(const std::string& address, int port)
{
    boost::system::error_code error;
    const auto ip = asio::ip::make_address(address, error);
    if (error)
        return fail(address + " is not an address");
    const tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
    tcp::acceptor& acceptor = core_->acceptor;
    acceptor.open(endpoint.protocol(), error);
    // SO_REUSEADDR lets a stopped server's port be taken again at once; it
    // never lets two servers listen on one port (SO_REUSEPORT would).
    if (!error)
        acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error && ip.is_v6() && !ip.is_unspecified())
        acceptor.set_option(asio::ip::v6_only(true), error);
    if (!error)
        acceptor.bind(endpoint, error);
    if (!error)
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        boost::system::error_code ignored;
        acceptor.close(ignored);
        const std::string where = "port " + std::to_string(port) + " of " + address;
        if (error == asio::error::address_in_use)
            return fail(where + " is in use by another program (another vesk_host serve?)");
        if (error == boost::system::errc::address_not_available)
            return fail(address + " is not an address of this machine");
        return fail("cannot listen on " + where + ": " + error.message());
    }
    const int bound = acceptor.local_endpoint().port();
    core_->hosts = ip.is_unspecified() ? servedHostsAnywhere(interfaceAddresses(), bound) : servedHosts(address, bound);
    return bound;
}

void WebServer::run()
{
    accept(core_.get());
    core_->io.run();
}

void WebServer::stop()
{
    broadcast_.close();
    asio::post(core_->io, [core = core_.get()] {
        core->stopping = true;
        boost::system::error_code ignored;
        core->acceptor.close(ignored);
        for (auto& weak : core->openStreams)
            if (auto stream = weak.lock())
                stream->close();
        core->io.stop();
    });
}

} // namespace vesk_host::web
