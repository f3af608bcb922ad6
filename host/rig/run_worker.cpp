#include "rig/run_worker.h"

#include <chrono>
#include <cstring>
#include <fstream>

#include "plant/panel_view.h"
#include "rig/event_stream.h"
#include "rig/output_capture.h"
#include "rig/run_protocol.h"
#include "session/session_steps.h"
#include "traps/fatal_watch.h"
#include "worker/record_stream.h"

namespace vesk_host {

namespace {

EventStream* fatalStream = nullptr;

// The fatal watch's report: what the stream holds, then the cause.
void reportFatal(const fatal::Report& report)
{
    static char payload[sizeof report.message + 64];
    const std::size_t name = std::strlen(report.rule->name);
    const std::size_t message = std::strlen(report.message);
    std::memcpy(payload, report.rule->name, name);
    payload[name] = '\t';
    std::memcpy(payload + name + 1, report.message, message);
    static char records[sizeof payload + 16];
    const std::size_t length =
        worker::putRecord(records, sizeof records, record::fatal, {payload, name + 1 + message});
    if (fatalStream)
        fatalStream->sendFromSignal(records, length);
}

// Steps from the channel, one a line, each asked for with "ready".
class ChannelSteps {
public:
    ChannelSteps(worker::Channel& channel, EventStream& stream) : channel_(channel), stream_(stream) {}
    bool next(std::string& line)
    {
        stream_.record(record::ready, {});
        stream_.send();
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                line.assign(pending_, 0, end);
                pending_.erase(0, end + 1);
                return true;
            }
            char buffer[4096];
            const std::size_t got = channel_.read(buffer, sizeof buffer);
            if (got == 0)
                return false;
            pending_.append(buffer, got);
        }
    }

private:
    worker::Channel& channel_;
    EventStream& stream_;
    std::string pending_;
};

void stepFailed(EventStream& stream, int line, const Error& error)
{
    stream.record(record::stepFailed, std::to_string(line) + "\t" + std::to_string(static_cast<int>(error.kind)) +
                                          "\t" + error.message);
}

} // namespace

namespace {

int runRig(const WorkerRun& run, worker::Channel& channel, EventStream& stream, OutputCapture& capture);

} // namespace

int runWorker(const WorkerRun& run, worker::Channel& channel)
{
    OutputCapture capture;
    capture.start();
    EventStream stream(channel, &capture, run.ring);
    if (run.problemsOnly)
        stream.problemsOnly();
    try {
        return runRig(run, channel, stream, capture);
    } catch (const std::exception& error) {
        stream.record(record::emulatorFailed, error.what());
    } catch (...) {
        stream.record(record::emulatorFailed, "an unknown exception");
    }
    stream.send();
    return 5;
}

namespace {

int runRig(const WorkerRun& run, worker::Channel& channel, EventStream& stream, OutputCapture&)
{
    // Before the Rig: what the host does to its own process is not the script's.
    fatalStream = &stream;
    if (fatal::available()) {
        fatal::install(reportFatal, run.plan.callTimeoutSeconds);
        fatal::arm();
    }
    RunPlan plan = run.plan;
    plan.emulator.watcher = &stream;
    Rig rig(std::move(plan));
    rig.events().subscribe(stream);
    // Loading runs the library's static constructors: a crash or exit there is the script's, as at unload.
    stream.record(record::libraryCode, Rig::loadMoment);
    stream.flush();
    const Status opened = rig.open();
    stream.record(record::libraryCodeEnded, {});
    if (!opened) {
        stream.record(record::loadFailed, opened.error().message);
        stream.send();
        return 0;
    }
    const Status started = rig.startUp();
    if (run.startWords)
        if (const std::string words = run.startWords(rig); !words.empty())
            stream.record(record::words, words);
    if (!started) {
        stream.record(record::loadFailed, started.error().message);
    } else if (!run.session.empty()) {
        std::ifstream session(run.session, std::ios::binary);
        (void)forEachStep(session, run.session, rig.emulator().plant(), [&](const Step& step) {
            const Result<StepResult> result = rig.runner().run(step);
            if (!result)
                stepFailed(stream, step.line, result.error());
            return result && *result == StepResult::carryOn;
        });
    } else {
        ChannelSteps steps(channel, stream);
        std::string line;
        for (int number = 1; steps.next(line); ++number) {
            auto parsed = parseStep(line, number, rig.emulator().plant());
            if (!parsed) {
                stepFailed(stream, number, parsed.error());
                continue;
            }
            if (!*parsed)
                continue;
            const Result<StepResult> result = rig.runner().run(**parsed);
            if (result && *result == StepResult::quit)
                break;
            if (!result)
                stepFailed(stream, number, result.error());
        }
    }
    rig.finish();
    // Unloaded while the host still listens: what the library's own static
    // destructors send is reported, not sent into a host that is gone.
    stream.record(record::libraryCode, Rig::unloadMoment);
    stream.flush();
    rig.unload();
    stream.record(record::libraryCodeEnded, {});
    fatal::disarm();
    if (run.finalState)
        rig.events().emit(StateShown{"== final panel state\n" + panelsOfEveryPosition(rig.emulator()), true});
    if (run.endText)
        stream.record(record::after, run.endText(rig));
    stream.record(record::done,
                  std::to_string(rig.runner().expectationsMet()) + " " + std::to_string(rig.runner().expectationsFailed()));
    stream.send();
    rig.events().unsubscribe(stream);
    return 0;
}

} // namespace

} // namespace vesk_host
