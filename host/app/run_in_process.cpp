// "vesk_host run --in-process": the Rig in this process, for a debugger. A
// script that crashes, exits or hangs takes the run with it; the fatal
// watch reports what it can before the process ends.
#include <fstream>
#include <iostream>

#include "app/abi_choice.h"
#include "app/exit_codes.h"
#include "app/fatal_output.h"
#include "app/progress.h"
#include "app/prompt.h"
#include "app/run_output.h"
#include "app/run_preparation.h"
#include "plant/panel_view.h"
#include "rig/rig.h"
#include "session/session_steps.h"
#include "transcript/transcript_json.h"

namespace vesk_host {

namespace {

// Steps typed at a prompt. False when a step could not be read or carried out.
bool runInteractive(const RunOptions& options, SessionRunner& runner, const Plant& plant, Output& out)
{
    Prompt prompt;
    if (prompt.interactive())
        std::cerr << "vesk_host: type steps; \"help\" lists them, \"quit\" ends.\n";
    bool allRan = true;
    for (int number = 1;; ++number) {
        out.flush();
        const auto line = prompt.readLine("vesk> ");
        if (!line) {
            std::cerr << "line " << number << ": " << line.error().message << "\n";
            return false;
        }
        if (!*line)
            return allRan;
        auto parsed = parseStep(**line, number, plant);
        if (!parsed) {
            tellStepFailed(options, true, number, parsed.error());
            allRan = false;
            continue;
        }
        if (!*parsed)
            continue;
        const Result<StepResult> result = runner.run(**parsed);
        if (result && *result == StepResult::quit)
            return allRan;
        if (!result) {
            tellStepFailed(options, true, number, result.error());
            allRan = false;
        }
    }
}

} // namespace

int runInProcess(const RunOptions& options, PreparedRun& prepared)
{
    Output& out = Output::standard();
    RunOutput output(out, options.json, options.quiet, prepared.golden ? &*prepared.golden : nullptr,
                     options.goldenWithoutPanel);
    std::optional<Progress> progress;
    // From here a crash, an exit() or a hang of the script ends the run with
    // a report; watched before the Rig, whose process watch would take the
    // watch's own signal handlers for the script's.
    watchRun(out, options.json, options.timeout);
    Rig rig(std::move(prepared.plan));
    if (const Status opened = rig.open(); !opened) {
        runEnded();
        std::cerr << "vesk_host: " << opened.error().message << "\n";
        return exitLoad;
    }
    EventBus& events = rig.events();
    Emulator& emulator = rig.emulator();
    if (options.json)
        output.write(schemaJsonLine());
    events.subscribe(output);
    if (!options.quiet && Progress::wanted()) {
        progress.emplace();
        events.subscribe(*progress);
    }

    int exit = exitSuccess;
    const Status started = rig.startUp();
    reportLearnedAbi(prepared.abi, emulator.host(), "vesk_host");
    if (!started) {
        out.flush();
        std::cerr << "vesk_host: " << started.error().message << "\n";
        exit = exitLoad;
    } else if (!options.session.empty()) {
        // Checked before: the file reads as steps throughout.
        std::ifstream session(options.session, std::ios::binary);
        (void)forEachStep(session, options.session, emulator.plant(), [&](const Step& step) {
            const Result<StepResult> result = rig.runner().run(step);
            if (!result) {
                tellStepFailed(options, false, step.line, result.error());
                exit = exitUsage;
            }
            return result && *result == StepResult::carryOn;
        });
    } else if (!runInteractive(options, rig.runner(), emulator.plant(), out)) {
        exit = exitUsage;
    }
    rig.finish();
    runEnded();
    if (progress) {
        events.unsubscribe(*progress);
        progress.reset();
    }
    // Unloaded while the host still listens: what the library's own static
    // destructors send is reported, not sent into a host that is gone.
    rig.unload();

    if (!options.quiet || prepared.golden)
        events.emit(StateShown{"== final panel state\n" + panelsOfEveryPosition(emulator), true});
    const FindingTally& tally = rig.tally();
    events.emit(RunSummary{tally.violations(), tally.warnings(), rig.runner().expectationsMet(),
                           rig.runner().expectationsFailed(), tally.byName()});
    // The host's own fact, not the script's conduct: never in the golden comparison.
    if (options.json)
        out.write(abiJsonLine(prepared.abi, emulator.host()));
    out.flush();
    return endRun(exit, RunCounts{tally.violations(), rig.runner().expectationsFailed()}, prepared.golden);
}

} // namespace vesk_host
