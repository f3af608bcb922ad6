// The worker's side of a supervised run's stream: every event of the Rig's
// bus, encoded as it happens, with the marks the supervisor needs to tell
// where the worker was (a call returned, the library unloading), and what
// the script printed during each call. Records are buffered and written
// before every call into the script, so a crash, an exit or a hang of the
// script loses nothing that happened before the call: into memory shared
// with the supervisor where there is a ring (worker/shared_ring.h), which
// costs no system call, else down the channel.
#ifndef VESK_HOST_RIG_EVENT_STREAM_H
#define VESK_HOST_RIG_EVENT_STREAM_H

#include <string>
#include <string_view>

#include "emulator/script_host.h"
#include "events/host_events.h"
#include "rig/output_capture.h"
#include "worker/shared_ring.h"
#include "worker/worker_channel.h"

namespace vesk_host {

class EventStream final : public EventObserver, public CallWatcher {
public:
    // All must outlive the stream; `capture` may be null (nothing
    // captured), and `ring` too (the records go down the channel).
    EventStream(worker::Channel& channel, OutputCapture* capture, worker::SharedRing* ring);

    // Only what a run that shows only its problems needs from now on: the
    // calls, the steps, findings, expectations and notes, not every
    // command and reply.
    void problemsOnly() { problemsOnly_ = true; }

    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }
    void observeFrom(const HostEvent& event, const Origin& origin) override;
    void beforeCall(const HostEvent&) override { flush(); }
    void afterCall() override;

    // A record of any other kind, buffered like the events.
    void record(char tag, std::string_view payload);
    // Writes what is buffered; false when the supervisor is gone.
    bool flush();
    // Writes what is buffered and has the supervisor read it now (for what it must answer).
    bool send();
    // From a signal handler, where nothing may allocate: what is buffered,
    // what the script printed in the call under way, then `last` (a whole
    // record), and the supervisor woken.
    void sendFromSignal(const char* last, std::size_t size);

private:
    void takePrinted();
    // Raw bytes to the supervisor, from a signal handler too.
    void writeNow(const char* bytes, std::size_t size);
    bool wake();

    worker::Channel& channel_;
    OutputCapture* capture_;
    worker::SharedRing* ring_;
    std::string buffer_;
    std::string scratch_;
    bool problemsOnly_ = false;
    int position_ = -1;  // the origin of the last event sent
};

} // namespace vesk_host

#endif
