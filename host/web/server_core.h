// What the live page's connections share (private to the HTTP layer): the
// one I/O thread's context, the live session and its broadcast, the action
// queue, the Host names served and the counts that the limits bound. Only
// the I/O thread touches it, but for post() and the counters' reads.
#ifndef VESK_HOST_WEB_SERVER_CORE_H
#define VESK_HOST_WEB_SERVER_CORE_H

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "web/action_queue.h"
#include "web/broadcast.h"
#include "web/http_limits.h"
#include "web/live_session.h"

namespace vesk_host::web {

class EventStream;

struct ServerCore {
    ServerCore(LiveSession& live, Broadcast& broadcast, ActionQueue& actions, HttpLimits limits)
        : live(live), broadcast(broadcast), actions(actions), limits(limits)
    {
    }

    LiveSession& live;
    Broadcast& broadcast;
    ActionQueue& actions;
    HttpLimits limits;
    // Before the context: connections that it still owns when it goes count themselves out.
    std::atomic<int> connections{0};  // event streams included
    std::atomic<int> streams{0};
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor acceptor{io};
    std::vector<std::string> hosts;
    std::list<std::weak_ptr<EventStream>> openStreams;
    bool stopping = false;

    // Wakes every open stream to send what was published (I/O thread).
    void wakeStreams();
};

} // namespace vesk_host::web

#endif
