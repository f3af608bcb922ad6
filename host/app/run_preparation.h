// What "vesk_host run" prepares from its options before any script code
// runs, in whichever process the script will run: the plant read within
// the memory budget, the session file checked, the golden file opened, the
// script's layout chosen, and the RunPlan of the Rig. Also what both ways
// of running share at the end: the summary and the exit code.
#ifndef VESK_HOST_APP_RUN_PREPARATION_H
#define VESK_HOST_APP_RUN_PREPARATION_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "abi/abi_detect.h"
#include "app/golden_file.h"
#include "app/output.h"
#include "base/memory_budget.h"
#include "rig/run_plan.h"

namespace vesk_host {

struct RunOptions {
    std::string library;
    std::vector<std::string> scripts;  // --script NAME=LIBRARY[,PATH], one a position
    std::string studio;                // --studio FILE
    std::string plant;
    std::string session;
    std::string golden;
    std::string memory = "guarded";
    std::string abi = "auto";
    std::string maxMemory;
    double timeout = 5;
    bool inProcess = false;
    bool isolate = false;
    bool json = false;
    bool updateGolden = false;
    bool goldenWithoutPanel = false;
    bool strict = false;
    bool verbose = false;
    bool quiet = false;
    // The hidden worker mode (where workers are this program started again).
    bool worker = false;
};

struct PreparedRun {
    // Held apart, as the plan points at it.
    std::unique_ptr<MemoryBudget> budget;
    RunPlan plan;
    std::optional<GoldenFile> golden;
    AbiDecision abi;
};

// The run prepared, or the exit code of a refusal already told on standard error.
struct Preparation {
    std::optional<PreparedRun> run;
    int exit = 0;
};
Preparation prepareRun(const RunOptions& options);

// What is wrong with how the options name the script (a library, or a
// studio's positions with --script or --studio), or nothing.
std::string studioOptionsProblem(const RunOptions& options);

// The counts a run ends with, and its exit code from them: the golden
// file's ending, failed expectations, violations, over what the run gave.
struct RunCounts {
    int violations = 0;
    int expectationsFailed = 0;
};
int endRun(int exit, const RunCounts& counts, std::optional<GoldenFile>& golden);

// A step of the session file, or typed at the prompt (`fromPrompt`), that
// could not be carried out, on standard error with the budget's hint.
void tellStepFailed(const RunOptions& options, bool fromPrompt, int line, const Error& error);

// The two ways of running a prepared run; each returns the exit code.
int runInProcess(const RunOptions& options, PreparedRun& run);
int runSupervised(const RunOptions& options, PreparedRun& run);
// The worker of a supervised run started as this program again: its
// channels are taken from standard input and output.
int runAsWorker(const RunOptions& options, PreparedRun& run);

} // namespace vesk_host

#endif
