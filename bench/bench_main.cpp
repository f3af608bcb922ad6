// vesk_bench: time and heap cost of every command helper, both decoders and
// whole panel events, beside the snprintf floor and an ostringstream
// baseline, with one summary table at the end.
//
//   vesk_bench [--instructions FILE] [benchmark flags]
//
// FILE holds "event<TAB>instructions" lines from script/bench's callgrind run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "events.h"
#include "probe_script.h"
#include "vesk_decode.h"

namespace {

// Runs `operation` for the benchmark's iterations and reports heap
// allocations and bytes per iteration beside the time.
void measure(benchmark::State& state, const std::function<void()>& operation)
{
    AllocScope scope;
    for (auto _ : state)
        operation();
    AllocCount count = scope.count();
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(count.allocations), benchmark::Counter::kAvgIterations);
    state.counters["bytes"] = benchmark::Counter(static_cast<double>(count.bytes), benchmark::Counter::kAvgIterations);
}

void registerCommands()
{
    static StaticHost host;
    static ProbeScript script(&host);
    static vesk_string text;
    static vesk_string value;
    static vesk_stringlist list;
    struct Command {
        const char* name;
        std::function<void()> send;
    };
    static const Command commands[] = {
        {"AS", [] { script.scriptClose(); }},
        {"SD", [] { int device; script.deviceLookup("ZEP SDI Router", &device, nullptr); }},
        {"XI", [] { list = script.controlList("1", "alm_"); }},
        {"PS", [] { script.panelLoad("1", "Rig_Vue.vesk_ui", ""); }},
        {"RC", [] { script.routeSet(7, 101, 12, "", false); }},
        {"RN", [] { script.databaseRead(5, 0, 1, text); }},
        {"RP", [] { script.revertivePoll(7, 12, 12); }},
        {"RR", [] { script.revertiveRegister(7, 12, 12, false); }},
        {"RU", [] { script.revertiveUnregister(7); }},
        {"TG", [] { script.textGet("value", "1", "alm_fire", value); }},
        {"TP", [] { script.textSet("statesheet", "KQ_Tally_Red", "1", "VideoEnable"); }},
        {"ET", [] { script.timerSet(1, 250); }},
    };
    for (const Command& command : commands)
        benchmark::RegisterBenchmark((std::string("command/") + command.name).c_str(),
                                     [&command](benchmark::State& state) { measure(state, command.send); });
}

void registerDecoders()
{
    static const std::string longDotted = [] {
        std::string text = "name";
        for (int k = 0; k < 40; ++k)
            text += ".part" + std::to_string(k);
        return text + "=value";
    }();
    static const std::string longTokens = [] {
        std::string text;
        for (int k = 0; k < 40; ++k)
            text += "'token " + std::to_string(k) + "' ";
        return text;
    }();
    benchmark::RegisterBenchmark("decode/DottedName short", [](benchmark::State& state) {
        measure(state, [] { DottedName d("index=3"); benchmark::DoNotOptimize(d.value); });
    });
    benchmark::RegisterBenchmark("decode/DottedName long", [](benchmark::State& state) {
        measure(state, [] { DottedName d(longDotted.c_str()); benchmark::DoNotOptimize(d.value); });
    });
    benchmark::RegisterBenchmark("decode/decodeVESKString short", [](benchmark::State& state) {
        measure(state, [] { decodeVESKString d("12 3", '\''); benchmark::DoNotOptimize(d.tokens[1]); });
    });
    benchmark::RegisterBenchmark("decode/decodeVESKString long", [](benchmark::State& state) {
        measure(state, [] { decodeVESKString d(longTokens.c_str(), '\''); benchmark::DoNotOptimize(d.tokens[31]); });
    });
}

void registerEvents(EventBench& bench)
{
    for (int e = 0; e < static_cast<int>(Event::Count); ++e)
        for (int v = 0; v < static_cast<int>(Variant::Count); ++v) {
            Event event = static_cast<Event>(e);
            Variant variant = static_cast<Variant>(v);
            std::string name = std::string("event/") + eventName(event) + "/" + variantName(variant);
            benchmark::RegisterBenchmark(name.c_str(), [&bench, event, variant](benchmark::State& state) {
                measure(state, [&] { bench.run(event, variant); });
            });
        }
}

struct Row {
    double ns = 0;
    double allocs = 0;
    double bytes = 0;
};

// Keeps the median of every benchmark for the table.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            Row& row = rows[run.run_name.function_name];
            row.ns = run.GetAdjustedRealTime();
            auto allocs = run.counters.find("allocs");
            auto bytes = run.counters.find("bytes");
            row.allocs = allocs == run.counters.end() ? 0 : static_cast<double>(allocs->second);
            row.bytes = bytes == run.counters.end() ? 0 : static_cast<double>(bytes->second);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Row> rows;
};

std::map<std::string, std::string> readInstructions(const std::string& file)
{
    std::map<std::string, std::string> result;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab != std::string::npos)
            result[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return result;
}

void printTable(const TableReporter& reporter, const std::map<std::string, std::string>& instructions)
{
    auto rowOf = [&](const std::string& name) {
        auto it = reporter.rows.find(name);
        return it == reporter.rows.end() ? Row{} : it->second;
    };
    std::printf("\n%-22s %10s %7s %7s %13s %9s %11s\n", "event", "ns(median)", "allocs", "bytes", "instructions",
                "/floor", "/ostream");
    for (int e = 0; e < static_cast<int>(Event::Count); ++e) {
        Event event = static_cast<Event>(e);
        std::string base = std::string("event/") + eventName(event) + "/";
        Row panel = rowOf(base + "panel"), floor = rowOf(base + "floor"), ostream = rowOf(base + "ostream");
        auto found = instructions.find(eventName(event));
        std::printf("%-22s %10.1f %7.2f %7.1f %13s %9.2f %11.2f\n", eventName(event), panel.ns, panel.allocs,
                    panel.bytes, found == instructions.end() ? "-" : found->second.c_str(),
                    floor.ns > 0 ? panel.ns / floor.ns : 0.0, ostream.ns > 0 ? panel.ns / ostream.ns : 0.0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string instructionsFile;
    std::vector<char*> args;
    bool repetitionsGiven = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--instructions") == 0 && i + 1 < argc) {
            instructionsFile = argv[++i];
            continue;
        }
        if (std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0)
            repetitionsGiven = true;
        args.push_back(argv[i]);
    }
    static char repetitions[] = "--benchmark_repetitions=5";
    static char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    if (!repetitionsGiven) {
        args.push_back(repetitions);
        args.push_back(aggregatesOnly);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;

    EventBench bench(RIG_VUE_LIBRARY);
    if (!bench.loaded()) {
        std::fprintf(stderr, "vesk_bench: cannot load %s\n", RIG_VUE_LIBRARY);
        return 2;
    }
    registerCommands();
    registerDecoders();
    registerEvents(bench);

    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(reporter, readInstructions(instructionsFile));
    benchmark::Shutdown();
    return 0;
}
