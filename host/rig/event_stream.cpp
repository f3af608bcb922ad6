#include "rig/event_stream.h"

#include <cstdio>

#include "rig/run_protocol.h"
#include "traps/process_watch.h"
#include "worker/event_codec.h"
#include "worker/record_stream.h"

namespace vesk_host {

namespace {

// Buffered bytes written out at once beyond this, whether or not a call comes.
constexpr std::size_t flushAt = 1 << 16;

} // namespace

EventStream::EventStream(worker::Channel& channel, OutputCapture* capture, worker::SharedRing* ring)
    : channel_(channel), capture_(capture), ring_(ring)
{
    buffer_.reserve(flushAt * 2);
}

void EventStream::observeFrom(const HostEvent& event, const Origin& origin)
{
    // Changes for live views only: no transcript, tally or progress needs them.
    if (std::holds_alternative<PropertyChanged>(event) || std::holds_alternative<TimerStarted>(event) ||
        std::holds_alternative<TimerStopped>(event) || std::holds_alternative<PanelLoaded>(event))
        return;
    if (problemsOnly_ && (std::holds_alternative<CommandSent>(event) || std::holds_alternative<ReplyReturned>(event) ||
                          std::holds_alternative<AnswerReceived>(event) || std::holds_alternative<OtherCodeSent>(event) ||
                          std::holds_alternative<RevertivesDropped>(event)))
        return;
    if (origin.position != position_) {
        // Said once a change: the events that follow are this position's.
        position_ = origin.position;
        record(record::position, std::to_string(origin.position) + "\t" + std::string(origin.name));
    }
    scratch_.clear();
    worker::encodeEvent(event, scratch_);
    record(record::event, scratch_);
}

void EventStream::record(char tag, std::string_view payload)
{
    worker::appendRecord(buffer_, tag, payload);
    if (buffer_.size() >= flushAt)
        flush();
}

bool EventStream::wake()
{
    // A byte of no meaning: the supervisor reads the ring when its channel stirs.
    return channel_.write("!", 1);
}

bool EventStream::flush()
{
    // A copy made by the script's fork() never speaks as the worker.
    if (process::inForkedCopy())
        buffer_.clear();
    if (buffer_.empty())
        return true;
    bool written = true;
    if (ring_) {
        ring_->append(buffer_.data(), buffer_.size(), [this] { return wake(); });
        // A ring that fills up is read before the worker has to wait for it.
        if (ring_->halfFull())
            written = wake();
    } else {
        written = channel_.write(buffer_.data(), buffer_.size());
    }
    buffer_.clear();
    return written;
}

bool EventStream::send() { return flush() && (!ring_ || wake()); }

void EventStream::writeNow(const char* bytes, std::size_t size)
{
    if (ring_)
        ring_->appendNow(bytes, size);
    else
        channel_.write(bytes, size);
}

void EventStream::afterCall()
{
    record(record::callReturned, {});
    takePrinted();
}

void EventStream::takePrinted()
{
    if (!capture_ || !capture_->capturing())
        return;
    // What the script's C library holds back is what it printed too.
    std::fflush(stdout);
    std::fflush(stderr);
    static char taken[OutputCapture::maxPerCall];
    std::size_t dropped = 0;
    const std::size_t size = capture_->take(taken, sizeof taken, dropped);
    if (size == 0 && dropped == 0)
        return;
    std::string text(taken, size);
    if (dropped > 0)
        text += "\n... (" + std::to_string(dropped) + " more bytes not shown)";
    record(record::printed, text);
}

void EventStream::sendFromSignal(const char* last, std::size_t size)
{
    if (!buffer_.empty())
        writeNow(buffer_.data(), buffer_.size());
    buffer_.clear();
    if (capture_ && capture_->capturing()) {
        static char records[OutputCapture::maxPerCall + 16];
        static char taken[OutputCapture::maxPerCall];
        std::size_t dropped = 0;
        const std::size_t printed = capture_->take(taken, sizeof taken, dropped);
        if (printed > 0)
            writeNow(records, worker::putRecord(records, sizeof records, record::printed, {taken, printed}));
    }
    writeNow(last, size);
    if (ring_)
        wake();
}

} // namespace vesk_host
