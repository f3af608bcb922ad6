// The emulator at scale: the same session shape (presses on "Sources",
// indexes 1 to 5 in turn, and "advance 250" every tenth step) at growing
// lengths, run by vesk_host as a separate process with the transcript to
// /dev/null, then with --quiet, each with guarded and with plain reply
// memory, and each supervised (the script in a worker process, the
// default) beside --in-process. For each: wall time, time per step, events delivered per second,
// peak resident memory, and the cost per delivered event as a ratio to the
// bare cost of the same events, measured in this run by driving Rig_Vue
// from a minimal host loop: "x bare" is the whole cost, "own x" the
// emulator's share beside the script's (the whole less the bare cost).
// Then a studio of Rig_Vue positions on the one plant, at as many
// delivered events as the longest run: its cost an event beside one
// script's ("x single") and its peak memory as positions and events grow.
//
//   vesk_scale_bench [--steps 10000,100000,1000000]
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "events.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Measure {
    double seconds;
    long peakKilobytes;
    int status;
};

std::string writeSession(long steps)
{
    const std::string path = std::string(SCALE_WORK_DIR) + "/scale_" + std::to_string(steps) + ".vesk";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < steps; ++i) {
        if (i % 10 == 9)
            file << "advance 250\n";
        else
            file << "press Sources index=" << (i % 5 + 1) << "\n";
    }
    return path;
}

// Runs vesk_host on `session` with its standard output to `output` (a file
// name); with `positions`, a studio of that many Rig_Vue positions P0, P1, ...
Measure runHost(const std::string& session, bool quiet, const char* memory, const char* output, bool inProcess = false,
                int positions = 0)
{
    std::vector<std::string> words = {VESK_HOST, "run", "--plant", PLANT_FILE, "--session", session, "--memory", memory};
    if (quiet)
        words.push_back("--quiet");
    if (inProcess)
        words.push_back("--in-process");
    for (int position = 0; position < positions; ++position)
        words.insert(words.end(), {"--script", "P" + std::to_string(position) + "=" + RIG_VUE_LIBRARY});
    if (positions == 0)
        words.push_back(RIG_VUE_LIBRARY);
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const auto started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        // The layout line on standard error is not part of the table.
        const int none = open("/dev/null", O_WRONLY);
        dup2(none, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return Measure{seconds, usage.ru_maxrss, status};
}

struct Deliveries {
    long control = 0, revertive = 0, timer = 0;
    long total() const { return control + revertive + timer; }
};

// The calls into the scripts of a session, counted from its transcript.
Deliveries countDeliveries(const std::string& session, int positions = 0)
{
    const std::string transcript = std::string(SCALE_WORK_DIR) + "/scale_transcript.txt";
    runHost(session, false, "plain", transcript.c_str(), false, positions);
    std::ifstream lines(transcript);
    Deliveries counted;
    for (std::string line; std::getline(lines, line);) {
        // A studio position's lines start with "@NAME ".
        if (line.rfind('@', 0) == 0)
            line.erase(0, line.find(' ') + 1);
        if (line.rfind("host > script  2  ", 0) == 0)
            ++counted.control;
        else if (line.rfind("host > script  1  ", 0) == 0)
            ++counted.revertive;
        else if (line.rfind("host > script  4  ", 0) == 0)
            ++counted.timer;
    }
    return counted;
}

// Nanoseconds of one event driven straight into Rig_Vue by a minimal host.
double bareCost(EventBench& bench, Event event)
{
    constexpr int rounds = 200000;
    for (int i = 0; i < 1000; ++i)
        bench.run(event, Variant::Panel);
    const auto started = Clock::now();
    for (int i = 0; i < rounds; ++i)
        bench.run(event, Variant::Panel);
    return std::chrono::duration<double, std::nano>(Clock::now() - started).count() / rounds;
}

// A studio's session: presses on "Sources" from position after position in
// turn, "advance 250" every tenth step. Every press routes both of the
// position's destinations, which every position watches, so one press
// reaches every position: the events grow with the positions. Positions 0:
// the same session for a plain run of one script.
std::string writeStudioSession(long steps, int positions)
{
    const std::string path = std::string(SCALE_WORK_DIR) + "/studio_" + std::to_string(positions) + "_" +
                             std::to_string(steps) + ".vesk";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < steps; ++i) {
        if (i % 10 == 9)
            file << "advance 250\n";
        else
            file << (positions > 0 ? "@P" + std::to_string(i % positions) + " " : std::string()) << "press Sources index="
                 << (i % 5 + 1) << "\n";
    }
    return path;
}

// The studio beside one script on about the same number of delivered
// events: the cost of an event and the peak memory at 20 and at 200
// positions, and at 200 with ten times the events.
void studioRuns(long events)
{
    std::printf("\na studio of Rig_Vue positions on one plant, --quiet (one script: the same session shape):\n");
    std::printf("%-9s %-8s %10s %8s %9s %8s %9s\n", "positions", "memory", "events", "time s", "ns/event", "peak MB",
                "x single");
    struct Run {
        int positions;
        long events;
    };
    const std::vector<Run> runs = {{0, events},       {1, events},  {20, events / 10},
                                   {20, events},      {200, events / 10}, {200, events}};
    for (const char* memory : {"guarded", "plain"}) {
        double single = 0;
        for (const Run& run : runs) {
            // Steps for about run.events deliveries, from a short sample of the same shape.
            const std::string sample = writeStudioSession(1000, run.positions);
            const Deliveries mix = countDeliveries(sample, run.positions);
            std::remove(sample.c_str());
            const double perStep = static_cast<double>(mix.total()) / 1000.0;
            const long steps = static_cast<long>(static_cast<double>(run.events) / perStep) + 1;
            const std::string session = writeStudioSession(steps, run.positions);
            const Measure measure = runHost(session, true, memory, "/dev/null", false, run.positions);
            std::remove(session.c_str());
            const double delivered = perStep * static_cast<double>(steps);
            const double nsPerEvent = measure.seconds * 1e9 / delivered;
            if (run.positions == 0)
                single = nsPerEvent;
            const std::string shown = run.positions == 0 ? "plain run" : std::to_string(run.positions);
            std::printf("%-9s %-8s %10.0f %8.2f %9.0f %8.1f %9.2f%s\n", shown.c_str(), memory, delivered,
                        measure.seconds, nsPerEvent, static_cast<double>(measure.peakKilobytes) / 1024.0,
                        nsPerEvent / single,
                        WIFEXITED(measure.status) && WEXITSTATUS(measure.status) == 0 ? "" : "  (vesk_host failed)");
            std::fflush(stdout);
        }
    }
}

std::vector<long> stepCounts(int argc, char** argv)
{
    std::vector<long> counts = {10000, 100000, 1000000};
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--steps") == 0) {
            counts.clear();
            for (char* piece = std::strtok(argv[i + 1], ","); piece; piece = std::strtok(nullptr, ","))
                counts.push_back(std::atol(piece));
        }
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<long> counts = stepCounts(argc, argv);
    EventBench bench(RIG_VUE_LIBRARY);
    if (!bench.loaded()) {
        std::fprintf(stderr, "cannot load %s\n", RIG_VUE_LIBRARY);
        return 1;
    }
    const std::string sample = writeSession(10000);
    const Deliveries mix = countDeliveries(sample);
    const double bare = (mix.control * bareCost(bench, Event::Choice) + mix.revertive * bareCost(bench, Event::Revertive) +
                         mix.timer * bareCost(bench, Event::TimerTick)) /
                        static_cast<double>(mix.total());
    const double perStep = static_cast<double>(mix.total()) / 10000.0;
    std::printf("session shape: %.2f deliveries a step (control %ld, revertive %ld, timer %ld in 10000 steps)\n",
                perStep, mix.control, mix.revertive, mix.timer);
    std::printf("bare cost of the same events into Rig_Vue from a minimal host: %.0f ns an event\n\n", bare);
    // Peak memory is the larger of the supervisor's and its worker's (wait4 counts the children it waited for).
    std::printf("%-10s %-6s %-8s %-7s %8s %9s %11s %8s %9s %7s %6s\n", "steps", "output", "memory", "script",
                "time s", "us/step", "events/s", "peak MB", "ns/event", "x bare", "own x");
    std::vector<std::string> sessions;
    for (const long steps : counts)
        sessions.push_back(writeSession(steps));
    for (const char* memory : {"guarded", "plain"})
        for (const bool quiet : {false, true})
            for (std::size_t i = 0; i < counts.size(); ++i)
                for (const bool inProcess : {false, true}) {
                    const long steps = counts[i];
                    const Measure measure = runHost(sessions[i], quiet, memory, "/dev/null", inProcess);
                    const double events = perStep * static_cast<double>(steps);
                    const double nsPerEvent = measure.seconds * 1e9 / events;
                    std::printf("%-10ld %-6s %-8s %-7s %8.2f %9.2f %11.0f %8.1f %9.0f %7.1f %6.1f%s\n", steps,
                                quiet ? "quiet" : "text", memory, inProcess ? "in-proc" : "worker", measure.seconds,
                                measure.seconds * 1e6 / static_cast<double>(steps), events / measure.seconds,
                                static_cast<double>(measure.peakKilobytes) / 1024.0, nsPerEvent, nsPerEvent / bare,
                                (nsPerEvent - bare) / bare,
                                WIFEXITED(measure.status) && WEXITSTATUS(measure.status) == 0 ? "" : "  (vesk_host failed)");
                    std::fflush(stdout);
                }
    for (const std::string& session : sessions)
        std::remove(session.c_str());
    std::remove(sample.c_str());
    studioRuns(counts.back());
    return 0;
}
