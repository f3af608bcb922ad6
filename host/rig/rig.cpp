#include "rig/rig.h"

#include <chrono>
#include <cstdint>
#include <utility>

#include "traps/fatal_watch.h"
#include "traps/script_modules.h"

namespace vesk_host {

namespace {

std::int64_t sinceStart()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The plan's emulator options with the process watch in front of its call watcher.
EmulatorOptions watched(EmulatorOptions options, ProcessWatch& watch)
{
    options.watcher = &watch;
    return options;
}

std::vector<PositionSetup> setupsOf(const RunPlan& plan)
{
    std::vector<PositionSetup> setups;
    for (const ScriptPosition& position : plan.positions)
        setups.push_back(PositionSetup{position.name, position.path, position.panelFolder});
    return setups;
}

} // namespace

Rig::Rig(RunPlan plan)
    : library_(plan.positions.empty() ? plan.library : plan.positions.front().library),
      processWatch_(plan.emulator.watcher),
      emulator_(std::move(plan.plant), events_, watched(plan.emulator, processWatch_), setupsOf(plan)),
      runner_(emulator_, events_)
{
    if (plan.positions.empty())
        plan.positions.push_back(ScriptPosition{{}, library_, {}, {}});
    for (const ScriptPosition& position : plan.positions) {
        std::size_t at = 0;
        while (at < libraries_.size() && libraries_[at].path != position.library)
            ++at;
        if (at == libraries_.size())
            libraries_.push_back(Library{position.library});
        libraryOf_.push_back(at);
    }
    events_.subscribe(tally_);
    processWatch_.watch(events_);
    emulator_.setAbi(plan.abi);
    emulator_.setReplyMode(plan.replies);
    runner_.setStrict(plan.strict);
}

Rig::~Rig()
{
    // The script ends, then its library is unloaded while the watches still
    // see it: an exit or a crash in its static destructors is the script's.
    emulator_.shutdown();
    unload();
    processWatch_.unwatch(events_);
    events_.unsubscribe(tally_);
}

Status Rig::open()
{
    for (Library& library : libraries_) {
        fatal::libraryCodeStarted(loadMoment, sinceStart());
        Status opened = library.loaded->open(library.path);
        fatal::libraryCodeEnded();
        if (opened)
            watchScriptModules();
        processWatch_.afterLibraryCode(loadMoment);
        if (!opened)
            return opened;
    }
    return Done{};
}

Status Rig::startUp()
{
    std::vector<vesk_load_function> entries;
    for (const std::size_t library : libraryOf_)
        entries.push_back(libraries_[library].loaded->entry());
    Status started = runner_.startUp(entries);
    if (!started && started.error().kind == ErrorKind::notLoadable) {
        // The position whose export returned null is the first that does not run.
        std::size_t at = 0;
        while (at + 1 < libraryOf_.size() && emulator_.running(at))
            ++at;
        const std::string& path = libraries_[libraryOf_[at]].path;
        return fail(ErrorKind::notLoadable,
                    "load_vesk_client_script of " + path +
                        (emulator_.studio() ? " (position @" + emulator_.positionName(at) + ")" : std::string()) +
                        " returned null");
    }
    return started;
}

void Rig::finish() { runner_.finish(); }

void Rig::unload()
{
    for (auto library = libraries_.rbegin(); library != libraries_.rend(); ++library) {
        if (!library->loaded->entry())
            continue;
        fatal::libraryCodeStarted(unloadMoment, sinceStart());
        library->loaded->close();
        fatal::libraryCodeEnded();
        processWatch_.afterLibraryCode(unloadMoment);
    }
}

} // namespace vesk_host
