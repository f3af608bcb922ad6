#include "rig/rig.h"

#include <utility>

namespace vesk_host {

Rig::Rig(RunPlan plan)
    : library_(std::move(plan.library)),
      emulator_(std::move(plan.plant), events_, plan.emulator),
      runner_(emulator_, events_)
{
    events_.subscribe(tally_);
    emulator_.setAbi(plan.abi);
    emulator_.setReplyMode(plan.replies);
}

Rig::~Rig() { events_.unsubscribe(tally_); }

Status Rig::open() { return loaded_.open(library_); }

bool Rig::startUp() { return runner_.startUp(loaded_.entry()); }

void Rig::finish() { runner_.finish(); }

void Rig::unload() { loaded_.close(); }

std::string Rig::startFailure() const
{
    const std::string& problem = emulator_.host().abiProblem();
    return problem.empty() ? "load_vesk_client_script of " + library_ + " returned null" : problem;
}

} // namespace vesk_host
