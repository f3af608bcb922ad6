#include "app/run_isolation.h"

#if defined(_WIN32)

namespace vesk_host {
bool isolationAvailable() { return false; }
int runIsolated(const std::function<int()>& run, bool) { return run(); }
int isolatedDoneChannel() { return -1; }
} // namespace vesk_host

#else

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <string>

#include "app/fatal_output.h"
#include "app/output.h"
#include "base/write_all.h"
#include "events/rules.h"
#include "worker/worker_process.h"

namespace vesk_host {

namespace {

int doneChannel = -1;

} // namespace

bool isolationAvailable() { return true; }

int isolatedDoneChannel() { return doneChannel; }

int runIsolated(const std::function<int()>& run, bool json)
{
    worker::Launch launch;
    launch.body = [&run](worker::Channel& channel) {
        doneChannel = channel.upDescriptor();
        // The transcript goes to standard output, which the parent relays.
        const int code = run();
        Output::standard().flush();
        const char finished = static_cast<char>('0' + code);
        channel.write(&finished, 1);
        return code;
    };
    launch.keepStandardError = true;
    worker::WorkerProcess process;
    if (const Status started = process.start(launch); !started) {
        std::cerr << "vesk_host: " << started.error().message << " (--isolate)\n";
        return 3;
    }
    // Relay the transcript, keeping its last lines for a report.
    std::deque<std::string> last;
    std::string line;
    std::string bytes;
    char finished = 0;
    const auto keep = [&](const std::string& piece) {
        writeAll(STDOUT_FILENO, piece.data(), piece.size());
        for (const char c : piece) {
            if (c != '\n') {
                if (line.size() < 300)
                    line += c;
                continue;
            }
            last.push_back(line);
            line.clear();
            if (last.size() > 8)
                last.pop_front();
        }
    };
    for (bool open = true; open;) {
        switch (process.receive(bytes, std::chrono::steady_clock::time_point::max())) {
        case worker::WorkerProcess::Got::printed: keep(bytes); break;
        case worker::WorkerProcess::Got::channel: finished = bytes.empty() ? finished : bytes.back(); break;
        default: open = false; break;
        }
    }
    std::string rest;
    const worker::WorkerEnd end = process.wait(&rest);
    keep(rest);
    const bool signalled = end.how != worker::WorkerEnd::How::exited;
    if (finished >= '0' && finished <= '9')
        return finished - '0';
    if (finished == 'F')
        return 1;  // the child's fatal watch has reported
    std::string message = signalled ? "the script's process died of " + end.signal
                                    : "the script's process ended with exit code " + std::to_string(end.exitCode) +
                                          " (exit or _exit) before the run had finished";
    if (!last.empty()) {
        message += "; the last lines of its transcript:";
        for (const auto& kept : last)
            message += " | " + kept;
    }
    const Rule& rule = signalled ? rule::scriptCrashed : rule::scriptEnded;
    static char report[8192];
    fatalLine(report, sizeof report, json, rule.name, message.c_str());
    writeAll(STDOUT_FILENO, report, std::strlen(report));
    std::cerr << "vesk_host: the script ended the run: " << rule.name << ": " << message << "\n";
    return 1;
}

} // namespace vesk_host

#endif
