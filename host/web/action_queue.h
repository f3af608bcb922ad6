// The page's actions (steps, restarts, the real-time switch) carried out one
// at a time on a thread of their own, so that a step that takes the script
// its whole watchdog never holds up the HTTP server: the server queues the
// job and answers when `done` is called. At most `capacity` jobs wait; the
// next is refused at once (push returns false) rather than queued without
// end. Jobs and `done` run on the queue's thread; `done` is never called for
// a job left waiting when the queue stops. The thread starts with the first
// job, so that the script's first process is forked from a server that has
// no other thread yet.
#ifndef VESK_HOST_WEB_ACTION_QUEUE_H
#define VESK_HOST_WEB_ACTION_QUEUE_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vesk_host::web {

class ActionQueue {
public:
    explicit ActionQueue(std::size_t capacity);
    ~ActionQueue();  // stops: the running job finishes, waiting jobs are dropped
    ActionQueue(const ActionQueue&) = delete;
    ActionQueue& operator=(const ActionQueue&) = delete;

    bool push(std::function<void()> job);
    void stop();
    std::size_t waiting() const;

private:
    void loop();

    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;  // started by the first push, under mutex_
};

} // namespace vesk_host::web

#endif
