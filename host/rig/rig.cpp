#include "rig/rig.h"

#include <utility>

namespace vesk_host {

namespace {

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
}

Rig::~Rig()
{
    processWatch_.unwatch(events_);
    events_.unsubscribe(tally_);
}

Status Rig::open()
{
    Status opened = loaded_.open(library_);
    processWatch_.afterLibraryCode(loadMoment);
    return opened;
}

bool Rig::startUp() { return runner_.startUp(loaded_.entry()); }

void Rig::finish() { runner_.finish(); }

void Rig::unload()
{
    loaded_.close();
    processWatch_.afterLibraryCode(unloadMoment);
}

std::string Rig::startFailure() const
{
    const std::string& problem = emulator_.host().abiProblem();
    return problem.empty() ? "load_vesk_client_script of " + library_ + " returned null" : problem;
}

} // namespace vesk_host
