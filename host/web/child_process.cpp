#include "web/child_process.h"

#include <memory>
#include <vector>

namespace vesk_host::web {

namespace {

ChildEnd endOf(const worker::WorkerEnd& end)
{
    ChildEnd child;
    if (end.how == worker::WorkerEnd::How::signalled) {
        child.how = ChildEnd::How::signalled;
        child.signal = end.signal;
    } else if (end.how == worker::WorkerEnd::How::killed) {
        child.how = ChildEnd::How::signalled;
        child.signal = "SIGKILL";
    } else {
        child.exitCode = end.exitCode;
    }
    return child;
}

} // namespace

Status ChildProcess::start(const std::function<int(worker::Channel&)>& body)
{
    worker::Launch launch;
    launch.body = body;
    launch.captureOutput = false;
    splitter_ = LineSplitter(maxLine);
    lines_.clear();
    return process_.start(launch);
}

bool ChildProcess::send(const std::string& line)
{
    // SIGPIPE is ignored by the server; a gone child fails the write.
    const std::string bytes = line + "\n";
    return process_.send(bytes);
}

ChildProcess::Read ChildProcess::readLine(std::string& line, std::chrono::steady_clock::time_point deadline)
{
    std::vector<std::string> complete;
    std::string bytes;
    for (;;) {
        if (!lines_.empty()) {
            line = std::move(lines_.front());
            lines_.pop_front();
            return Read::line;
        }
        if (splitter_.overlong())
            return Read::garbled;
        switch (process_.receive(bytes, deadline)) {
        case worker::WorkerProcess::Got::ended: return Read::ended;
        case worker::WorkerProcess::Got::timedOut: return Read::timedOut;
        case worker::WorkerProcess::Got::printed: continue;
        case worker::WorkerProcess::Got::channel: break;
        }
        complete.clear();
        splitter_.feed(bytes.data(), bytes.size(), complete);
        for (std::string& piece : complete)
            lines_.push_back(std::move(piece));
    }
}

ChildEnd ChildProcess::kill() { return endOf(process_.kill()); }

ChildEnd ChildProcess::wait() { return endOf(process_.wait()); }

std::function<std::optional<std::string>()> lineReader(worker::Channel& channel)
{
    auto splitter = std::make_shared<LineSplitter>(ChildProcess::maxLine);
    auto lines = std::make_shared<std::deque<std::string>>();
    return [&channel, splitter, lines]() -> std::optional<std::string> {
        char buffer[4096];
        std::vector<std::string> complete;
        while (lines->empty()) {
            if (splitter->overlong())
                return std::nullopt;
            const std::size_t got = channel.read(buffer, sizeof buffer);
            if (got == 0)
                return std::nullopt;
            complete.clear();
            splitter->feed(buffer, got, complete);
            for (std::string& piece : complete)
                lines->push_back(std::move(piece));
        }
        std::string line = std::move(lines->front());
        lines->pop_front();
        return line;
    };
}

std::function<void(const std::string&)> channelWriter(worker::Channel& channel)
{
    // A failed write means the server is gone; nothing left to tell.
    return [&channel](const std::string& bytes) { channel.write(bytes.data(), bytes.size()); };
}

} // namespace vesk_host::web
