// Checks of loading and destroying a script.
#include "validator/checks.h"

#include <chrono>

#include "base/text_util.h"
#include "traps/fatal_watch.h"
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

bool heapLeaks(std::size_t before, std::size_t between, std::size_t after)
{
    const auto grew = [](std::size_t from, std::size_t to) { return static_cast<long long>(to) - static_cast<long long>(from); };
    const long long steady = static_cast<long long>(heapTolerance) / 4;
    return grew(before, after) > static_cast<long long>(heapTolerance) && grew(before, between) > steady &&
           grew(between, after) > steady;
}

void checkLoadRepeat(CheckContext& context)
{
    constexpr int cycles = 100;
    constexpr int warmUp = 20;
    ScriptLibrary library;
    if (const Status opened = library.open(context.setup().library); !opened) {
        context.fail(opened.error().message);
        return;
    }
    FindingTally tally;
    // Measured after the warm-up, half-way and at the end: a leak grows in
    // both halves; a single jump (an allocator's page taken once, late) in one.
    const int middle = (warmUp + cycles) / 2;
    std::optional<std::size_t> before;
    std::optional<std::size_t> between;
    std::optional<std::size_t> after;
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
        if (cycle == warmUp)
            before = heapInUse();
        if (cycle == middle)
            between = heapInUse();
        if (cycle == cycles)
            after = heapInUse();
    }
    judge(tally, context);
    if (outstandingCycles > 0)
        context.fail(std::to_string(outstandingCycles) + " of " + std::to_string(cycles) +
                     " loads ended with replies the script never handed back");
    if (!before || !between || !after) {
        context.note("heap growth not measured: the allocator gives no figure here (tried " +
                     std::string(heapSource()) + ")");
        return;
    }
    const long long growth = static_cast<long long>(*after) - static_cast<long long>(*before);
    const std::string measured = "heap in use after load " + std::to_string(warmUp) + ": " +
                                 std::to_string(*before) + " bytes, after load " + std::to_string(middle) + ": " +
                                 std::to_string(*between) + " bytes, after load " + std::to_string(cycles) + ": " +
                                 std::to_string(*after) + " bytes (" + heapSource() + ")";
    if (heapLeaks(*before, *between, *after))
        context.fail("the heap grew by " + std::to_string(growth) + " bytes over " +
                     std::to_string(cycles - warmUp) + " loads (about " +
                     std::to_string(growth / (cycles - warmUp)) + " a load; tolerance " +
                     std::to_string(heapTolerance) + "): " + measured);
    else
        context.note(measured);
}

} // namespace vesk_host::validator
