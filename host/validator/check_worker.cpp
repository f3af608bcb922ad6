#include "validator/check_worker.h"

#include <chrono>
#include <memory>
#include <stdexcept>

#include "worker/worker_process.h"

namespace vesk_host::validator {

namespace {

// Keeps the last `limit` bytes of what a child printed.
void keepTail(std::string& kept, const std::string& bytes, std::size_t limit)
{
    kept += bytes;
    if (kept.size() > limit)
        kept.erase(0, kept.size() - limit);
}

// The channel and the sink over it, owned together.
class OwnedChannelSink final : public RecordSink {
public:
    explicit OwnedChannelSink(std::unique_ptr<worker::Channel> channel)
        : channel_(std::move(channel)), sink_(*channel_)
    {
    }
    void write(const std::string& bytes) override { sink_.write(bytes); }
    int descriptor() const override { return sink_.descriptor(); }

private:
    std::unique_ptr<worker::Channel> channel_;
    ChannelSink sink_;
};

} // namespace

bool childProcessesAvailable() { return true; }

const char* childProcessesMissing() { return ""; }

bool childrenByFork() { return worker::WorkerProcess::byFork(); }

std::unique_ptr<RecordSink> takeParentChannel() { return std::make_unique<OwnedChannelSink>(worker::takeChannels()); }

ChildEnd runInWorker(const std::function<void(RecordSink&)>& body, const std::vector<std::string>& arguments,
                     double watchdogSeconds, const std::function<bool(const char*, std::size_t)>& received)
{
    worker::Launch launch;
    launch.body = [&body](worker::Channel& channel) {
        ChannelSink sink(channel);
        body(sink);
        return 0;
    };
    launch.arguments = arguments;
    worker::WorkerProcess process;
    if (const Status started = process.start(launch); !started)
        throw std::runtime_error(started.error().message + " for a check");

    using Clock = std::chrono::steady_clock;
    auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(watchdogSeconds));
    // Once the child has said everything, it only has to end: under a
    // memory checker that can take a while, and it no longer counts.
    constexpr auto grace = std::chrono::seconds(60);
    constexpr std::size_t keptOutput = 8192;
    bool said = false;
    bool timedOut = false;
    ChildEnd end;
    std::string bytes;
    for (bool open = true; open;) {
        switch (process.receive(bytes, deadline)) {
        case worker::WorkerProcess::Got::channel:
            if (received(bytes.data(), bytes.size()) && !said) {
                said = true;
                deadline = Clock::now() + grace;
            }
            break;
        case worker::WorkerProcess::Got::printed: keepTail(end.output, bytes, keptOutput); break;
        case worker::WorkerProcess::Got::timedOut: timedOut = true; [[fallthrough]];
        case worker::WorkerProcess::Got::ended: open = false; break;
        }
    }
    std::string printed;
    const worker::WorkerEnd ended = timedOut ? process.kill() : process.wait(&printed);
    keepTail(end.output, printed, keptOutput);
    if (timedOut && !said) {
        end.how = ChildEnd::How::timedOut;
    } else if (ended.how == worker::WorkerEnd::How::killed) {
        end.how = ChildEnd::How::signalled;
        end.signal = "SIGKILL";
    } else if (ended.how == worker::WorkerEnd::How::signalled) {
        end.how = ChildEnd::How::signalled;
        end.signal = ended.signal;
    } else {
        end.exitCode = ended.exitCode;
    }
    return end;
}

} // namespace vesk_host::validator
