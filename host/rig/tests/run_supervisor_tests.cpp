// The supervisor of a run tells how its worker ended from the records it
// had sent and how the process ended: done, a load that failed, the
// script's end (with its rule and moment) or the emulator's own failure,
// and it hands steps down when the worker asks for them.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>


#include "rig/run_protocol.h"
#include "rig/run_supervisor.h"
#include "testing/event_recorder.h"
#include "worker/event_codec.h"
#include "worker/record_stream.h"
#include "worker/shared_ring.h"

using namespace vesk_host;

namespace {

std::string eventRecord(const HostEvent& event)
{
    std::string payload;
    worker::encodeEvent(event, payload);
    std::string bytes;
    worker::appendRecord(bytes, record::event, payload);
    return bytes;
}

std::string plainRecord(char tag, const std::string& payload = {})
{
    std::string bytes;
    worker::appendRecord(bytes, tag, payload);
    return bytes;
}

class Listener final : public RunListener {
public:
    void stepFailed(int line, const Error& error) override
    {
        failed.push_back(std::to_string(line) + ": " + error.message);
    }
    void words(const std::string& text) override { said += text; }
    void after(const std::string& text) override { afterText += text; }
    std::optional<std::string> nextStep() override
    {
        if (steps.empty())
            return std::nullopt;
        std::string step = steps.front();
        steps.erase(steps.begin());
        return step;
    }
    std::vector<std::string> failed;
    std::vector<std::string> steps;
    std::string said;
    std::string afterText;
};

const HostEvent sourcesPress = ControlDelivered{"1", "Sources", "index=1"};

struct Row {
    const char* name;
    int (*body)(worker::Channel&);
    SupervisedEnd::How how;
    const Rule* rule;
    const char* message;  // a part of it
};

int writeAll(worker::Channel& channel, const std::string& bytes)
{
    channel.write(bytes.data(), bytes.size());
    return 0;
}

const Row rows[] = {
    {"done", [](worker::Channel& c) {
         return writeAll(c, eventRecord(sourcesPress) + plainRecord(record::callReturned) + plainRecord(record::done, "3 1"));
     }, SupervisedEnd::How::done, nullptr, ""},
    {"load failed", [](worker::Channel& c) { return writeAll(c, plainRecord(record::loadFailed, "cannot load x")); },
     SupervisedEnd::How::loadFailed, nullptr, "cannot load x"},
    {"_exit in a call", [](worker::Channel& c) -> int {
         writeAll(c, eventRecord(StepStarted{"press Sources index=1", 0, 2}) + eventRecord(sourcesPress));
         _exit(3);
     }, SupervisedEnd::How::scriptEnded, &rule::scriptEnded,
     "exit code 3 (exit or _exit), during control event \"Sources\" \"index=1\" (line 2: press Sources index=1)"},
    {"a signal in a call", [](worker::Channel& c) -> int {
         writeAll(c, eventRecord(sourcesPress));
         signal(SIGSEGV, SIG_DFL);
         raise(SIGSEGV);
         return 0;
     }, SupervisedEnd::How::scriptEnded, &rule::scriptCrashed, "died of SIGSEGV"},
    {"exit at unload", [](worker::Channel& c) -> int {
         writeAll(c, plainRecord(record::libraryCode, "unload (the library's static destructors)"));
         _exit(0);
     }, SupervisedEnd::How::scriptEnded, &rule::scriptEnded, "during unload (the library's static destructors)"},
    {"a signal between calls", [](worker::Channel& c) -> int {
         writeAll(c, eventRecord(sourcesPress) + plainRecord(record::callReturned));
         signal(SIGSEGV, SIG_DFL);
         raise(SIGSEGV);
         return 0;
     }, SupervisedEnd::How::emulatorFailed, nullptr, "outside any call"},
    {"the worker's own report", [](worker::Channel& c) {
         return writeAll(c, eventRecord(sourcesPress) + plainRecord(record::fatal, "record-kept\tread a record"));
     }, SupervisedEnd::How::scriptEnded, &rule::recordKept, "read a record"},
    {"a hang in a call", [](worker::Channel& c) -> int {
         writeAll(c, eventRecord(sourcesPress));
         for (;;)
             std::this_thread::sleep_for(std::chrono::hours(1));
     }, SupervisedEnd::How::scriptEnded, &rule::callTimeout, "its process was ended, during control event"},
    {"garbage", [](worker::Channel& c) { return writeAll(c, plainRecord('?', "x")); },
     SupervisedEnd::How::emulatorFailed, nullptr, "unknown kind"},
    {"an unreadable event", [](worker::Channel& c) { return writeAll(c, plainRecord(record::event, "\x7f")); },
     SupervisedEnd::How::emulatorFailed, nullptr, "cannot be read"},
};

TEST(RunSupervisorTest, HowTheWorkerEndedIsToldWithItsRuleAndMoment)
{
    if (!worker::WorkerProcess::byFork())
        GTEST_SKIP() << "workers are this program started again here";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EventRecorder recorder;
        EventBus events;
        events.subscribe(recorder);
        Listener listener;
        worker::Launch launch;
        launch.body = row.body;
        // A short watchdog: the supervisor waits a few seconds beyond it.
        const SupervisedEnd end = superviseRun(launch, events, listener, 0.2);
        EXPECT_EQ(end.how, row.how);
        EXPECT_EQ(end.rule, row.rule);
        EXPECT_NE(end.message.find(row.message), std::string::npos) << end.message;
        if (row.rule) {
            // The script's end is a finding in the transcript too.
            ASSERT_FALSE(recorder.findings.empty());
            EXPECT_EQ(recorder.findings.back().rule, row.rule);
        }
    }
}

TEST(RunSupervisorTest, StepsGoDownWhenAskedForAndFailuresAndWordsComeUp)
{
    if (!worker::WorkerProcess::byFork())
        GTEST_SKIP() << "workers are this program started again here";
    EventBus events;
    Listener listener;
    listener.steps = {"press A", "press B"};
    worker::Launch launch;
    launch.body = [](worker::Channel& c) {
        // Asks for steps until there are none, and fails each, as its number.
        char buffer[64];
        int number = 0;
        for (;;) {
            writeAll(c, plainRecord(record::ready));
            std::string line;
            while (line.empty() || line.back() != '\n') {
                const std::size_t read = c.read(buffer, sizeof buffer);
                if (read == 0)
                    return writeAll(c, plainRecord(record::words, "no more\n") + plainRecord(record::after, "{}\n") +
                                           plainRecord(record::done, "0 0"));
                line.append(buffer, read);
            }
            ++number;
            line.pop_back();
            writeAll(c, plainRecord(record::stepFailed, std::to_string(number) + "\t0\t" + line));
        }
    };
    const SupervisedEnd end = superviseRun(launch, events, listener, 5);
    EXPECT_EQ(end.how, SupervisedEnd::How::done);
    EXPECT_EQ(listener.failed, (std::vector<std::string>{"1: press A", "2: press B"}));
    EXPECT_EQ(listener.said, "no more\n");
    EXPECT_EQ(listener.afterText, "{}\n");
}

TEST(RunSupervisorTest, RecordsInTheSharedRingSurviveTheWorkersDeath)
{
    if (!worker::WorkerProcess::byFork())
        GTEST_SKIP() << "workers are this program started again here";
    auto ring = worker::SharedRing::make(1 << 16);
    ASSERT_TRUE(ring);
    static worker::SharedRing* shared = nullptr;
    shared = ring.get();
    EventRecorder recorder;
    EventBus events;
    events.subscribe(recorder);
    Listener listener;
    worker::Launch launch;
    // Published into the ring, never woken: the supervisor finds it all when the worker has died.
    launch.body = [](worker::Channel&) -> int {
        const std::string bytes = eventRecord(StepStarted{"press Sources index=1", 0, 2}) + eventRecord(sourcesPress);
        shared->appendNow(bytes.data(), bytes.size());
        _exit(0);
    };
    const SupervisedEnd end = superviseRun(launch, events, listener, 5, ring.get());
    EXPECT_EQ(end.rule, &rule::scriptEnded);
    EXPECT_NE(recorder.text.find("host > script  2  control \"1\" \"Sources\" \"index=1\""), std::string::npos)
        << recorder.text;
    EXPECT_NE(end.message.find("during control event"), std::string::npos) << end.message;
}

} // namespace
