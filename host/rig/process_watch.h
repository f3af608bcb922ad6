// What a call into the script did to the process the worker shares with
// it, seen after every call by a cheap snapshot compared with the one
// before: descriptors 0 to 2 closed or replaced, the working folder, the
// environment, the locale, the umask, signal dispositions or the signal
// mask changed, threads still running, a fork(). Each change is named once
// (per kind) as a finding after the call that made it. The host's own
// signal handlers and its thread's signal mask are put back after a call
// that changed them, so that a crash is still caught as the script's. A copy of the
// worker made by the script's fork() never acts as the worker: it loses
// its channels at once and ends as soon as the call returns to the host.
//
// Every Rig has one. It stands between the script host and whoever else
// watches the calls (a worker's event stream), passing both marks of every
// call on.
#ifndef VESK_HOST_RIG_PROCESS_WATCH_H
#define VESK_HOST_RIG_PROCESS_WATCH_H

#include <memory>
#include <string>

#include "emulator/script_host.h"
#include "events/host_events.h"

namespace vesk_host {

class ProcessWatch final : public CallWatcher, private EventObserver {
public:
    // `next` (if any) hears every call mark first.
    explicit ProcessWatch(CallWatcher* next = nullptr);
    ~ProcessWatch() override;
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    // Where its findings go (and the calls it names come from); it notes
    // from now on, or no more.
    void watch(EventBus& events);
    void unwatch(EventBus& events);

    void beforeCall(const HostEvent& call) override;
    void afterCall() override;
    // What the library's own code did outside any call (`moment`: its
    // static constructors while loading, its destructors while unloading).
    void afterLibraryCode(const char* moment);

private:
    void observe(const HostEvent& event) override;
    // `call` is the call that just returned, or null for `otherwise`.
    void check(const HostEvent* call, const char* otherwise);

    CallWatcher* next_;
    EventBus* events_ = nullptr;
    // The event that opened the call under way: alive until the call has returned.
    const HostEvent* call_ = nullptr;
    unsigned reported_ = 0;  // the kinds already named
    std::string threadsSince_;
    bool threadsReported_ = false;
    // The host thread's signal mask when the watch began, put back after a call that changed it.
    struct Mask;
    std::unique_ptr<Mask> mask_;
};

} // namespace vesk_host

#endif
