#include "app/run_command.h"

#include <iostream>
#include <memory>

#include "app/exit_codes.h"
#include "app/studio_options.h"
#include "app/memory_option.h"
#include "app/run_preparation.h"
#include "session/session_steps.h"

namespace vesk_host {

namespace {

int run(const RunOptions& options)
{
    if (options.worker) {
        // The supervisor has said all there is to say about the options.
        std::cerr.setstate(std::ios::failbit);
        Preparation prepared = prepareRun(options);
        std::cerr.clear();
        return prepared.run ? runAsWorker(options, *prepared.run) : prepared.exit;
    }
    Preparation prepared = prepareRun(options);
    if (!prepared.run)
        return prepared.exit;
    if (options.inProcess)
        return runInProcess(options, *prepared.run);
    return runSupervised(options, *prepared.run);
}

} // namespace

Command runCommand()
{
    auto options = std::make_shared<RunOptions>();
    RunOptions& o = *options;
    return withStudioOptions(Command{
        "run",
        "run a script: a session file, or steps typed at a prompt",
        {{"--plant", "the plant (TOML): devices, routers, databases, panel folder", "FILE", &o.plant},
         {"--session", "the steps to run; without it they are read at a prompt", "FILE", &o.session},
         {"--json", "write the transcript as JSON lines", "", &o.json},
         {"--quiet", "write only broken rules, failed expectations, refused steps and the summary", "", &o.quiet},
         {"--golden", "compare the output with FILE and show the first difference", "FILE", &o.golden},
         {"--update-golden", "write the output to the --golden FILE instead of comparing", "", &o.updateGolden},
         {"--golden-without-panel",
          "leave the final panel table out of the --golden FILE, so that a control added to the panel "
          "file does not change it",
          "", &o.goldenWithoutPanel},
         {"--strict",
          "fail when an action sends a command that no \"expect command\" reads before the next action "
          "(a --golden FILE reads them all)",
          "", &o.strict},
         {"--memory",
          "where reply texts live: guarded (own pages, faults on misuse; the default where available) "
          "or plain",
          "KIND", &o.memory},
         {"--abi",
          "the script's C++ layout: auto (read from the DLL, or learned from its first call), native, "
          "gnu or msvc (gnu and msvc in the 32-bit Windows build)",
          "KIND", &o.abi},
         {"--timeout",
          "how long one call into the script may take before the run ends with call-timeout "
          "(default 5; calls over " +
              std::to_string(defaultSlowCallMilliseconds) + " ms draw a slow-call warning)",
          "SECONDS", &o.timeout},
         {"--verbose", "say which C++ layout drives the script even when it is the only one", "", &o.verbose},
         maxMemoryOption(o.maxMemory),
         {"--in-process",
          "run the script in this process, for a debugger: unprotected, a script that crashes, exits or "
          "hangs takes the run with it (by default it runs in a worker process)",
          "", &o.inProcess},
         {"--isolate", "the default: the script runs in a worker process", "", &o.isolate},
         // Where workers are this program started again: the worker of a supervised run.
         {"--worker", "", "", &o.worker},
         {"library", "the script library to run", "LIBRARY", &o.library}},
        "Steps of a session file or the prompt:\n" + sessionHelp(),
        [options](const std::vector<std::string>& extras) {
            if (const auto message = leftOver(extras, options->library, "script library"); !message.empty())
                return usageError("run", message);
            if (const std::string problem = studioOptionsProblem(*options); !problem.empty())
                return usageError("run", problem);
            if (options->updateGolden && options->golden.empty())
                return usageError("run", "--update-golden needs --golden FILE");
            if (options->goldenWithoutPanel && options->golden.empty())
                return usageError("run", "--golden-without-panel needs --golden FILE");
            if (!(options->timeout > 0) || options->timeout > 86400)
                return usageError("run", "--timeout takes seconds above 0 and at most 86400");
            if (options->isolate && options->inProcess)
                return usageError("run", "--isolate and --in-process exclude each other");
            return run(*options);
        }},
        &o.scripts, &o.studio);
}

} // namespace vesk_host
