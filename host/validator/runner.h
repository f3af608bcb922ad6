// Runs the selected checks, each in a child process with a watchdog (or
// all in this process, for a debugger), and gathers what each reported.
#ifndef VESK_HOST_VALIDATOR_RUNNER_H
#define VESK_HOST_VALIDATOR_RUNNER_H

#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "check.h"
#include "result.h"

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
};

// The checks whose ids match `only` (all when not given) and not `skip`.
std::vector<const Check*> selectChecks(const std::optional<std::regex>& only, const std::optional<std::regex>& skip);

// Whether the library loads and exports the entry, tried in a child
// process where there are any, so that a library that crashes while
// loading does not take the validator with it; otherwise says why not.
Status probeLibrary(const std::string& library, const RunSettings& settings);

// One check; never throws for anything the script does.
CheckOutcome runCheck(const Check& check, const CheckSetup& setup, const RunSettings& settings);

} // namespace vesk_host::validator

#endif
