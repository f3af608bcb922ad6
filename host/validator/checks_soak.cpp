// The randomised soak, run as a session so that a failure replays.
#include "validator/checks.h"

#include <cstdio>
#include <fstream>

#include "session/session_runner.h"
#include "session/session_steps.h"
#include "session/soak_steps.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

void checkSoak(CheckContext& context)
{
    const CheckSetup& setup = context.setup();
    const std::string seed = std::to_string(setup.seed);
    std::ofstream file(setup.soakFile, std::ios::binary | std::ios::trunc);
    if (!file) {
        context.fail("cannot write the soak's session file " + setup.soakFile);
        return;
    }
    // Written step by step, before each step runs, so that a crash leaves every step up to it.
    file << "# vesk_host validate soak: seed " << seed << ", up to " << setup.soakSteps << " steps\n"
         << "# replay: " << setup.replayCommand << "\n"
         << std::flush;

    ScriptRun run(context);
    if (!run.start())
        return;
    SessionRunner runner(run.emulator(), run.events());
    SoakSteps steps(setup.seed);
    std::string panel = "1";
    int taken = 0;
    int brokeAt = 0;
    for (int number = 1; number <= setup.soakSteps && run.emulator().running(); ++number) {
        const std::string line = steps.next(run.emulator(), panel);
        file << line << "\n" << std::flush;
        const auto parsed = parseStep(line, number + 2, run.emulator().plant());
        if (!parsed || !*parsed) {
            context.fail("step " + std::to_string(number) + " \"" + line + "\" does not read back" +
                         (parsed ? std::string() : ": " + parsed.error().message));
            return;
        }
        if (const Result<StepResult> result = runner.run(**parsed); !result) {
            context.fail("step " + std::to_string(number) + " \"" + line + "\" could not be carried out: " +
                         result.error().message);
            return;
        }
        taken = number;
        if (run.tally().violations() > 0) {
            brokeAt = number;
            break;
        }
    }
    runner.finish();
    run.judge();
    file.close();
    if (run.tally().violations() > 0) {
        context.fail("seed " + seed + ": a rule broke " +
                     (brokeAt ? "at step " + std::to_string(brokeAt) : std::string("when the script ended")) +
                     " of " + std::to_string(setup.soakSteps));
        context.fail("the session file " + setup.soakFile + " replays it: " + setup.replayCommand);
        return;
    }
    std::remove(setup.soakFile.c_str());
    context.note(std::to_string(taken) + " steps from seed " + seed + " (repeat with --seed " + seed + ")");
}

} // namespace vesk_host::validator
