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

} // namespace

Rig::Rig(RunPlan plan)
    : library_(std::move(plan.library)),
      processWatch_(plan.emulator.watcher),
      emulator_(std::move(plan.plant), events_, watched(plan.emulator, processWatch_)),
      runner_(emulator_, events_)
{
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
    fatal::libraryCodeStarted(loadMoment, sinceStart());
    Status opened = loaded_.open(library_);
    fatal::libraryCodeEnded();
    if (opened)
        watchScriptModules();
    processWatch_.afterLibraryCode(loadMoment);
    return opened;
}

Status Rig::startUp()
{
    Status started = runner_.startUp(loaded_.entry());
    if (!started && started.error().kind == ErrorKind::notLoadable)
        return fail(ErrorKind::notLoadable, "load_vesk_client_script of " + library_ + " returned null");
    return started;
}

void Rig::finish() { runner_.finish(); }

void Rig::unload()
{
    if (!loaded_.entry())
        return;
    fatal::libraryCodeStarted(unloadMoment, sinceStart());
    loaded_.close();
    fatal::libraryCodeEnded();
    processWatch_.afterLibraryCode(unloadMoment);
}

} // namespace vesk_host
