// Checks of loading and destroying a script.
#include "validator/checks.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "base/text_util.h"
#include "traps/fatal_watch.h"
#include "traps/heap_watch.h"
#include "validator/isolation.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

namespace {

// Heap growth over the measured cycles that still counts as none: room for
// the allocator's own bookkeeping. A script that leaks one block a load
// (16 bytes at least, with the allocator's header) exceeds it.
constexpr std::size_t heapTolerance = 1024;

} // namespace

void checkLoadBasic(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    const std::size_t startUpReplies = run.emulator().host().repliesHandedOut();
    run.finish();
    run.judge();
    context.note("start-up received " + std::to_string(startUpReplies) + " repl" +
                 (startUpReplies == 1 ? "y" : "ies"));
}

void checkLoadNullHost(CheckContext& context)
{
    ScriptLibrary library;
    if (const Status opened = library.open(context.setup().library); !opened) {
        context.fail(opened.error().message);
        return;
    }
    // With no host the script calls nobody: its calls go nowhere.
    struct NoHost final : ScriptAbi::Host {
        void* fromScript(void*, int) override { return nullptr; }
    } noHost;
    const auto abi = makeScriptAbi(context.setup().abi, noHost);
    if (!abi || !abi->kind()) {
        context.fail("the script's C++ layout is not known: name it with --abi");
        return;
    }
    const std::string& path = context.setup().plant.path;
    const std::vector<std::pair<const char*, std::string>> paths = {{path.c_str(), quoteText(path)},
                                                                     {nullptr, "null"}};
    for (const auto& [text, shown] : paths) {
        const std::string call = "load_vesk_client_script(null, " + shown + ")";
        context.trail().line("host > script  " + call);
        // Calls into the script like any other, for the fatal watch: a crash here is the script's.
        const HostEvent loading = ScriptLoading{text ? std::optional<std::string>(text) : std::nullopt};
        const HostEvent deleting = ScriptDeleting{};
        const auto since = [] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
        try {
            fatal::callStarted(loading, since());
            ScriptObject* script = abi->callExport(library.entry(), text, false);
            fatal::callEnded();
            if (!script) {
                context.warn(call + " returned null: with no host, a script still has nothing to allocate "
                                    "from the host and should load");
                continue;
            }
            context.trail().line("host > script  delete (virtual destructor)");
            fatal::callStarted(deleting, since());
            abi->destroy(script);
            fatal::callEnded();
        } catch (...) {
            fatal::callEnded();
            context.fail("an exception left " + call + " or the destructor");
        }
    }
}

void checkLoadPaths(CheckContext& context)
{
    const std::vector<std::pair<std::optional<std::string>, const char*>> paths = {
        {std::string(), "an empty path"},
        {std::nullopt, "a null path"},
        {std::string(4096, 'p'), "a path of 4096 bytes"},
        {std::string("D:/panel's dir %1 %s"), "a path with an apostrophe, blanks and percent signs"},
    };
    FindingTally tally;
    for (const auto& [path, what] : paths) {
        ScriptLibrary library;
        if (const Status opened = library.open(context.setup().library); !opened) {
            context.fail(opened.error().message);
            return;
        }
        WatchedEmulator watched(context);
        Emulator& emulator = watched.emulator();
        emulator.plant().path = path.value_or(std::string());
        if (const Status started = emulator.start(library.entry(), !path); !started) {
            if (started.error().kind == ErrorKind::notLoadable)
                context.warn(started.error().message + " with " + what);
            else
                context.fail(started.error().message);
        }
        emulator.shutdown();
        tally.merge(watched.tally());
    }
    judge(tally, context);
}

bool heapLeaks(const std::vector<std::size_t>& samples)
{
    if (samples.size() < 2 || samples.back() <= samples.front() || samples.back() - samples.front() <= heapTolerance)
        return false;
    // Each stretch's growth, the median of them judged: a leak of even the
    // smallest block a load grows every stretch by more than an eighth of
    // the tolerance; the allocator's caches and a page taken once grow a few
    // stretches by odd amounts and leave the median near nothing.
    std::vector<std::size_t> growths;
    for (std::size_t i = 1; i < samples.size(); ++i)
        growths.push_back(samples[i] > samples[i - 1] ? samples[i] - samples[i - 1] : 0);
    std::sort(growths.begin(), growths.end());
    return growths[(growths.size() - 1) / 2] >= heapTolerance / 8;
}

namespace {

// What load.repeat samples: where the heap is watched, the bytes the script
// itself holds, exact (the emulator's own blocks and the allocator's caches,
// which shift with as little as the length of a path, do not count);
// elsewhere the process's bytes in use.
std::optional<std::size_t> scriptHeapFigure()
{
    if (heap::watching()) {
        const std::int64_t net = heap::scriptNet();
        return static_cast<std::size_t>(net > 0 ? net : 0);
    }
    return heapInUse();
}

const char* scriptHeapSource() { return heap::watching() ? "the script's own blocks, heap watch" : heapSource(); }

} // namespace

void checkLoadRepeat(CheckContext& context)
{
    constexpr int cycles = 100;
    constexpr int warmUp = 20;
    constexpr int stretch = 10;
    ScriptLibrary library;
    if (const Status opened = library.open(context.setup().library); !opened) {
        context.fail(opened.error().message);
        return;
    }
    FindingTally tally;
    // Measured after the warm-up and every ten loads after it: a leak grows
    // in most stretches; a page the allocator takes once, or the odd block
    // of the emulator's own, in one or two.
    std::vector<std::size_t> samples;
    bool measured = true;
    int outstandingCycles = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        {
            WatchedEmulator watched(context);
            Emulator& emulator = watched.emulator();
            if (const Status started = emulator.start(library.entry()); !started) {
                context.fail("load " + std::to_string(cycle) + ": " + started.error().message);
                return;
            }
            emulator.shutdown();
            outstandingCycles += emulator.host().outstandingReplies() > 0;
            tally.merge(watched.tally());
        }
        if (cycle >= warmUp && (cycle - warmUp) % stretch == 0) {
            const auto inUse = scriptHeapFigure();
            measured = measured && inUse.has_value();
            if (inUse)
                samples.push_back(*inUse);
        }
    }
    judge(tally, context);
    if (outstandingCycles > 0)
        context.fail(std::to_string(outstandingCycles) + " of " + std::to_string(cycles) +
                     " loads ended with replies the script never handed back");
    if (!measured || samples.size() < 2) {
        context.note("heap growth not measured: the allocator gives no figure here (tried " +
                     std::string(scriptHeapSource()) + ")");
        return;
    }
    const long long growth = static_cast<long long>(samples.back()) - static_cast<long long>(samples.front());
    std::string figures = "heap in use after loads";
    for (std::size_t i = 0; i < samples.size(); ++i)
        figures += std::string(i == 0 ? " " : ", ") + std::to_string(warmUp + static_cast<int>(i) * stretch) + ": " +
                   std::to_string(samples[i]);
    figures += std::string(" bytes (") + scriptHeapSource() + ")";
    if (heapLeaks(samples))
        context.fail("the heap grew by " + std::to_string(growth) + " bytes over " +
                     std::to_string(cycles - warmUp) + " loads (about " +
                     std::to_string(growth / (cycles - warmUp)) + " a load; tolerance " +
                     std::to_string(heapTolerance) + "), in most stretches of " + std::to_string(stretch) + " loads: " + figures);
    else
        context.note(figures);
}

} // namespace vesk_host::validator
