// Runs the selected checks, each in a child process with a watchdog (or
// all in this process, for a debugger), and gathers what each reported.
#ifndef VESK_HOST_VALIDATOR_RUNNER_H
#define VESK_HOST_VALIDATOR_RUNNER_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "validator/check.h"
#include "validator/isolation.h"

namespace vesk_host::validator {

struct CheckOutcome {
    const Check* check = nullptr;
    CheckResult result;
    double seconds = 0;
    std::string signal;                  // for a crash by signal
    std::vector<std::string> lastLines;  // the transcript's last lines, for a crash or hang
};

struct RunSettings {
    double watchdogSeconds = 30;
    bool inProcess = false;
    std::size_t trailLines = 12;
    // Where children are this program started again (Windows): the command
    // line of its hidden child mode for the child of this id (a check's id,
    // probeChildId or learnChildId), after the program's name.
    std::function<std::vector<std::string>(const std::string& id)> childArguments;
};

// The children that run no check.
constexpr const char* probeChildId = "library.probe";
constexpr const char* learnChildId = "abi.learn";

// Whether the library loads and exports the entry, tried in a child
// process where there are any, so that a library that crashes while
// loading does not take the validator with it; otherwise says why not.
Status probeLibrary(const std::string& library, const RunSettings& settings);

struct LearnedAbi {
    std::optional<AbiKind> kind;
    std::string reason;  // how it was learned
    std::string error;   // why it could not be
    bool exportReturnedNull = false;
};

// Starts the script once on the plant, in a child process where there are
// any: with the setup's layout, or (none given) with a host table that
// serves every layout, learning it from the script's first call. No layout
// comes back, and the error says why, when the start-up fails (the export
// returned null, the library does not load, the script crashed).
LearnedAbi learnAbi(const CheckSetup& setup, const RunSettings& settings);

// The hidden child mode: runs the child `id` (a check, the probe or the
// learning) in this process and writes its records to `sink`. False when
// no child has that id.
bool runChild(const std::string& id, const CheckSetup& setup, RecordSink& sink);

// Seconds the soak's watchdog gets for each of its steps, beyond the watchdog of every check.
constexpr double soakSecondsPerStep = 1e-4;
// The watchdog of `check`: the given one, and for the soak its steps' share.
double watchdogFor(const Check& check, const CheckSetup& setup, double watchdogSeconds);

// One check; never throws for anything the script does.
CheckOutcome runCheck(const Check& check, const CheckSetup& setup, const RunSettings& settings);

} // namespace vesk_host::validator

#endif
