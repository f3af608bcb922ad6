// Workers made by fork() (POSIX): how they end, what they say, what they
// print, and their channels both ways. Workers that are this program
// started again are proved by the Windows cases under Wine.
#include <gtest/gtest.h>

#if !defined(_WIN32)

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "worker/worker_process.h"

namespace {

using namespace vesk_host::worker;
using Clock = std::chrono::steady_clock;

struct Heard {
    std::string channel;
    std::string printed;
    bool timedOut = false;
};

Heard listen(WorkerProcess& process, double seconds)
{
    Heard heard;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::string bytes;
    for (;;) {
        const auto got = process.receive(bytes, deadline);
        if (got == WorkerProcess::Got::channel)
            heard.channel += bytes;
        else if (got == WorkerProcess::Got::printed)
            heard.printed += bytes;
        else {
            heard.timedOut = got == WorkerProcess::Got::timedOut;
            return heard;
        }
    }
}

TEST(WorkerProcessTest, HowAWorkerEndsIsToldAndNothingItSaidIsLost)
{
    if (!WorkerProcess::byFork())
        GTEST_SKIP() << "workers are this program started again here";
    struct Row {
        const char* name;
        int (*body)(Channel&);
        WorkerEnd::How how;
        int exitCode;
        const char* signal;
        const char* said;
        const char* printed;
    };
    const Row rows[] = {
        {"returns", [](Channel& c) { c.write("said", 4); return 7; }, WorkerEnd::How::exited, 7, "", "said", ""},
        {"prints", [](Channel& c) {
             std::printf("to out\n");
             std::fflush(stdout);
             std::fprintf(stderr, "to err\n");
             c.write("x", 1);
             return 0;
         }, WorkerEnd::How::exited, 0, "", "x", "to out\nto err\n"},
        {"_exit(0)", [](Channel& c) -> int { c.write("before", 6); _exit(0); }, WorkerEnd::How::exited, 0, "", "before", ""},
        {"abort", [](Channel& c) -> int { c.write("before", 6); std::abort(); }, WorkerEnd::How::signalled, 0, "SIGABRT",
         "before", ""},
        {"throws", [](Channel&) -> int { throw std::runtime_error("no"); }, WorkerEnd::How::exited, 3, "", "",
         "the worker process stopped: no\n"},
        // The channels sit above 2: a worker that closes or replaces 0 to 2 keeps them.
        {"closes 0-2", [](Channel& c) {
             close(0);
             close(1);
             close(2);
             c.write("still here", 10);
             return 0;
         }, WorkerEnd::How::exited, 0, "", "still here", ""},
    };
    for (const Row& row : rows) {
        WorkerProcess process;
        Launch launch;
        launch.body = row.body;
        ASSERT_TRUE(process.start(launch)) << row.name;
        const Heard heard = listen(process, 20);
        std::string rest;
        const WorkerEnd end = process.wait(&rest);
        EXPECT_FALSE(heard.timedOut) << row.name;
        EXPECT_EQ(heard.channel, row.said) << row.name;
        EXPECT_NE((heard.printed + rest).find(row.printed), std::string::npos) << row.name << ": " << heard.printed + rest;
        EXPECT_EQ(end.how, row.how) << row.name;
        EXPECT_EQ(end.exitCode, row.exitCode) << row.name;
        EXPECT_EQ(end.signal, row.signal) << row.name;
        EXPECT_FALSE(process.started()) << row.name;
    }
}

TEST(WorkerProcessTest, AHungWorkerTimesOutAndIsKilled)
{
    if (!WorkerProcess::byFork())
        GTEST_SKIP() << "workers are this program started again here";
    WorkerProcess process;
    Launch launch;
    launch.body = [](Channel& c) -> int {
        c.write("hang", 4);
        for (;;)
            pause();
    };
    ASSERT_TRUE(process.start(launch));
    const Heard heard = listen(process, 0.3);
    EXPECT_TRUE(heard.timedOut);
    EXPECT_EQ(heard.channel, "hang");
    EXPECT_EQ(process.kill().how, WorkerEnd::How::killed);
    EXPECT_FALSE(process.started());
}

TEST(WorkerProcessTest, TheInputChannelCarriesBytesDownAndItsEndIsSeen)
{
    if (!WorkerProcess::byFork())
        GTEST_SKIP() << "workers are this program started again here";
    WorkerProcess process;
    Launch launch;
    launch.body = [](Channel& c) {
        char buffer[64];
        std::size_t total = 0;
        for (std::size_t got; (got = c.read(buffer, sizeof buffer)) > 0;) {
            c.write(buffer, got);
            total += got;
        }
        return static_cast<int>(total);
    };
    ASSERT_TRUE(process.start(launch));
    EXPECT_TRUE(process.send("step one\n"));
    EXPECT_TRUE(process.send("step two\n"));
    process.closeInput();
    const Heard heard = listen(process, 20);
    EXPECT_EQ(heard.channel, "step one\nstep two\n");
    EXPECT_EQ(process.wait().exitCode, 18);
    EXPECT_FALSE(process.send("late\n"));
}

} // namespace

#endif
