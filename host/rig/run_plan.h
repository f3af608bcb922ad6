// What one run of a script needs, prepared from a command's options before
// anything is loaded: the library, the plant, the script's C++ layout, how
// the emulator keeps reply texts and memory, and how commands are answered.
// Plain data that knows nothing of the command line; the Rig built from it
// owns its plant.
#ifndef VESK_HOST_RIG_RUN_PLAN_H
#define VESK_HOST_RIG_RUN_PLAN_H

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "abi/script_abi.h"
#include "commands/reply_modes.h"
#include "emulator/emulator.h"
#include "plant/plant.h"
#include "plant/studio_file.h"

namespace vesk_host {

struct RunPlan {
    // The script of a plain run; with positions, the first position's.
    std::string library;
    // A studio: several scripts, each at a position of its own, on the one
    // plant, in this order. Empty: `library` alone, at one unnamed position.
    std::vector<ScriptPosition> positions;
    Plant plant;
    // The script's C++ layout; nothing: learned from its first call.
    std::optional<AbiKind> abi = AbiKind::native;
    // Reply memory, the slow-call bound and the memory budget (not owned:
    // it must outlive the Rig).
    EmulatorOptions emulator;
    ReplyMode replies = ReplyMode::plant;
    // Seconds one call into the script may take before the run ends with call-timeout.
    double callTimeoutSeconds = 5;
    // Whether an action's commands that no expectation reads fail the run (SessionRunner::setStrict).
    bool strict = false;
};

} // namespace vesk_host

#endif
