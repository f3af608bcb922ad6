#include "web/event_stream.h"

#include <boost/asio/write.hpp>

namespace vesk_host::web {

namespace asio = boost::asio;

std::string sseEvent(std::string message)
{
    if (!message.empty() && message.back() == '\n')
        message.pop_back();
    return "data: " + message + "\n\n";
}

EventStream::EventStream(ServerCore& core, asio::ip::tcp::socket socket)
    : core_(core), socket_(std::move(socket)), writeTimer_(core.io), keepAlive_(core.io)
{
}

EventStream::~EventStream()
{
    close();
    --core_.connections;
}

void EventStream::start()
{
    core_.openStreams.push_back(weak_from_this());
    out_ = "HTTP/1.1 200 OK\r\n"
           "Content-Type: text/event-stream\r\n"
           "Cache-Control: no-store\r\n"
           "X-Content-Type-Options: nosniff\r\n"
           "X-Accel-Buffering: no\r\n"
           "Connection: close\r\n\r\n";
    fullState();
    write();
    watchClient();
    armKeepAlive();
}

void EventStream::fullState()
{
    auto [full, after] = core_.live.fullState();
    out_ += sseEvent(std::move(full));
    after_ = after;
}

void EventStream::pump()
{
    if (writing_ || closed_)
        return;
    const Broadcast::Batch batch = core_.broadcast.after(after_, core_.limits.streamBatchBytes);
    if (batch.closed) {
        close();
        return;
    }
    if (batch.lost) {
        fullState();
    } else {
        for (const std::string& message : batch.messages)
            out_ += sseEvent(message);
        after_ = batch.last;
    }
    if (!out_.empty())
        write();
}

void EventStream::write()
{
    writing_ = true;
    writeTimer_.expires_after(core_.limits.writeTime);
    writeTimer_.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
        if (!error && self->writing_)
            self->close();
    });
    asio::async_write(socket_, asio::buffer(out_),
                      [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                          self->writing_ = false;
                          self->writeTimer_.cancel();
                          self->out_.clear();
                          if (error) {
                              self->close();
                              return;
                          }
                          self->pump();
                      });
}

void EventStream::watchClient()
{
    socket_.async_read_some(asio::buffer(in_), [self = shared_from_this()](const boost::system::error_code&, std::size_t) {
        // An event stream's client sends nothing: data or an end both close it.
        self->close();
    });
}

void EventStream::armKeepAlive()
{
    keepAlive_.expires_after(core_.limits.keepAlive);
    keepAlive_.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
        if (error || self->closed_)
            return;
        if (!self->writing_) {
            self->out_ = ": still here\n\n";
            self->write();
        }
        self->armKeepAlive();
    });
}

void EventStream::close()
{
    if (closed_)
        return;
    closed_ = true;
    --core_.streams;
    boost::system::error_code ignored;
    writeTimer_.cancel();
    keepAlive_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

void ServerCore::wakeStreams()
{
    for (auto it = openStreams.begin(); it != openStreams.end();) {
        if (auto stream = it->lock()) {
            stream->pump();
            ++it;
        } else {
            it = openStreams.erase(it);
        }
    }
}

} // namespace vesk_host::web
