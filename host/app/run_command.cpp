#include "app/run_command.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "abi/loader.h"
#include "app/abi_choice.h"
#include "app/exit_codes.h"
#include "app/fatal_output.h"
#include "app/golden_file.h"
#include "app/memory_option.h"
#include "app/output.h"
#include "app/progress.h"
#include "app/prompt.h"
#include "app/run_isolation.h"
#include "app/run_output.h"
#include "base/files.h"
#include "base/memory_budget.h"
#include "emulator/emulator.h"
#include "plant/panel_view.h"
#include "plant/plant_file.h"
#include "session/session_runner.h"
#include "session/session_steps.h"
#include "transcript/finding_tally.h"
#include "transcript/transcript_json.h"

namespace vesk_host {

namespace {

struct RunOptions {
    std::string library;
    std::string plant;
    std::string session;
    std::string golden;
    std::string memory = "guarded";
    std::string abi = "auto";
    std::string maxMemory;
    double timeout = 5;
    bool isolate = false;
    bool json = false;
    bool updateGolden = false;
    bool quiet = false;
};

// Steps typed at a prompt. False when a step could not be read or carried out.
bool runInteractive(SessionRunner& runner, const Plant& plant, Output& out)
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
            std::cerr << "line " << number << ": " << parsed.error().message << "\n";
            allRan = false;
            continue;
        }
        if (!*parsed)
            continue;
        const Result<StepResult> result = runner.run(**parsed);
        if (result && *result == StepResult::quit)
            return allRan;
        if (!result) {
            out.flush();
            std::cerr << "line " << number << ": " << result.error().message << "\n";
            allRan = false;
        }
    }
}

// The files a run reads, which a recording must never overwrite.
std::vector<std::filesystem::path> inputsOf(const RunOptions& options, const Plant& plant)
{
    std::vector<std::filesystem::path> inputs = {options.library};
    if (!options.plant.empty())
        inputs.emplace_back(options.plant);
    if (!options.session.empty())
        inputs.emplace_back(options.session);
    inputs.push_back(plant.panelFolder);
    return inputs;
}

int run(const RunOptions& options)
{
    const auto memory = memoryKindNamed(options.memory);
    if (!memory)
        return usageError("run", "--memory takes guarded or plain, not \"" + options.memory + "\"");
    const auto maxMemory = parseMemorySize(options.maxMemory);
    if (!maxMemory)
        return usageError("run", maxMemory.error().message);
    MemoryBudget budget(*maxMemory);
    Plant plant;
    plant.panelFolder = ".";
    if (!options.plant.empty()) {
        auto load = loadPlantFile(options.plant, &budget);
        if (!load) {
            const bool tooBig = load.error().kind == ErrorKind::overBudget;
            std::cerr << "vesk_host: " << load.error().message << (tooBig ? maxMemoryHint() : "") << "\n";
            return exitUsage;
        }
        plant = std::move(*load);
    }
    // The session is read twice, a line at a time: once to refuse a wrong
    // file before anything runs, once to run it; no step is kept.
    std::ifstream session;
    if (!options.session.empty()) {
        if (const Status readable = checkReadable(options.session); !readable) {
            std::cerr << "vesk_host: " << options.session << ": cannot be read: " << readable.error().message << "\n";
            return exitUsage;
        }
        session.open(options.session, std::ios::binary);
        if (!session) {
            std::cerr << "vesk_host: " << options.session << ": cannot be read\n";
            return exitUsage;
        }
        const Status checked = checkSteps(session, options.session, plant);
        if (!checked) {
            std::cerr << "vesk_host: " << checked.error().message << "\n";
            return exitUsage;
        }
        session.clear();
        session.seekg(0);
    }

    std::optional<GoldenFile> golden;
    if (!options.golden.empty() && options.updateGolden) {
        auto recording = GoldenFile::recordInto(options.golden, inputsOf(options, plant));
        if (!recording) {
            std::cerr << "vesk_host: " << recording.error().message << "\n";
            return exitUsage;
        }
        golden.emplace(std::move(*recording));
    } else if (!options.golden.empty()) {
        golden.emplace(GoldenFile::compareWith(options.golden));
    }

    const auto abi = chooseAbi(options.abi, options.library, "vesk_host");
    if (!abi)
        return exitUsage;

    // Declared before the emulator so that it is unloaded only after the script has ended.
    ScriptLibrary library;
    if (const Status opened = library.open(options.library); !opened) {
        std::cerr << "vesk_host: " << opened.error().message << "\n";
        return exitLoad;
    }

    Output& out = Output::standard();
    EventBus events;
    RunOutput output(out, options.json, options.quiet, golden ? &*golden : nullptr);
    if (options.json)
        output.write(jsonLine(schemaLine()));
    events.subscribe(output);
    FindingTally tally;
    events.subscribe(tally);
    std::optional<Progress> progress;
    if (!options.quiet && Progress::wanted()) {
        progress.emplace();
        events.subscribe(*progress);
    }
    EmulatorOptions emulatorOptions;
    emulatorOptions.memory = *memory;
    emulatorOptions.budget = &budget;
    Emulator emulator(std::move(plant), events, emulatorOptions);
    emulator.setAbi(abi->kind);
    SessionRunner runner(emulator, events);

    // From here a crash, an exit() or a hang of the script ends the run with a report.
    watchRun(out, options.json, options.timeout);
    int exit = exitSuccess;
    const Status started = runner.startUp(library.entry());
    reportLearnedAbi(*abi, emulator.host(), "vesk_host");
    if (!started) {
        out.flush();
        std::cerr << "vesk_host: " << startFailure(started.error(), options.library) << "\n";
        exit = exitLoad;
    } else if (!options.session.empty()) {
        // Checked before: the file reads as steps throughout.
        (void)forEachStep(session, options.session, emulator.plant(), [&](const Step& step) {
            const Result<StepResult> result = runner.run(step);
            if (!result) {
                out.flush();
                const bool tooBig = result.error().kind == ErrorKind::overBudget;
                std::cerr << "vesk_host: " << options.session << ":" << step.line << ": " << result.error().message
                          << (tooBig ? maxMemoryHint() : "") << "\n";
                exit = exitUsage;
            }
            return result && *result == StepResult::carryOn;
        });
    } else if (!runInteractive(runner, emulator.plant(), out)) {
        exit = exitUsage;
    }
    runner.finish();
    runEnded();
    if (progress) {
        events.unsubscribe(*progress);
        progress.reset();
    }
    // Unloaded while the host still listens: what the library's own static
    // destructors send is reported, not sent into a host that is gone.
    library.close();

    if (!options.quiet || golden)
        events.emit(StateShown{"== final panel state\n" + panelsTable(emulator.panels())});
    events.emit(RunSummary{tally.violations(), tally.warnings(), runner.expectationsMet(), runner.expectationsFailed(),
                           tally.byName()});
    // The host's own fact, not the script's conduct: never in the golden comparison.
    if (options.json)
        out.write(abiJsonLine(*abi, emulator.host()));
    out.flush();

    if (golden) {
        const Result<GoldenFile::Verdict> verdict = golden->finish();
        const std::string& message = verdict ? verdict->message : verdict.error().message;
        if (!message.empty())
            std::cerr << "vesk_host: " << message << "\n";
        if (!verdict)
            exit = std::max(exit, static_cast<int>(exitUsage));
        else if (!verdict->passed)
            exit = std::max(exit, static_cast<int>(exitExpectation));
    }
    if (runner.expectationsFailed() > 0)
        exit = std::max(exit, static_cast<int>(exitExpectation));
    if (tally.violations() > 0)
        exit = std::max(exit, static_cast<int>(exitViolation));
    return exit;
}

} // namespace

Subcommand addRunCommand(CLI::App& parent)
{
    auto options = std::make_shared<RunOptions>();
    CLI::App* app = parent.add_subcommand("run", "run a script: a session file, or steps typed at a prompt");
    app->add_option("--plant", options->plant, "the plant (TOML): devices, routers, databases, panel folder")
        ->type_name("FILE");
    app->add_option("--session", options->session, "the steps to run; without it they are read at a prompt")
        ->type_name("FILE");
    app->add_flag("--json", options->json, "write the transcript as JSON lines");
    app->add_flag("--quiet", options->quiet,
                  "write only broken rules, failed expectations, refused steps and the summary");
    app->add_option("--golden", options->golden, "compare the output with FILE and show the first difference")
        ->type_name("FILE");
    app->add_flag("--update-golden", options->updateGolden, "write the output to the --golden FILE instead of comparing");
    app->add_option("--memory", options->memory,
                    "where reply texts live: guarded (own pages, faults on misuse; the default where available) "
                    "or plain")
        ->type_name("KIND");
    app->add_option("--abi", options->abi,
                    "the script's C++ layout: auto (read from the DLL, or learned from its first call), native, "
                    "gnu or msvc (gnu and msvc in the 32-bit Windows build)")
        ->type_name("KIND");
    app->add_option("--timeout", options->timeout,
                    "how long one call into the script may take before the run ends with call-timeout "
                    "(default 5; calls over " + std::to_string(defaultSlowCallMilliseconds) +
                        " ms draw a slow-call warning)")
        ->type_name("SECONDS");
    addMaxMemoryOption(*app, options->maxMemory);
    app->add_flag("--isolate", options->isolate,
                  "run in a child process: a script that ends it (even with _exit) is reported, with the last "
                  "lines of the transcript");
    app->add_option("library", options->library, "the script library to run")->type_name("LIBRARY");
    app->allow_extras();
    app->footer("Steps of a session file or the prompt:\n" + sessionHelp());
    return Subcommand{app, [app, options] {
                          if (const auto message = leftOver(app->remaining(), options->library, "script library");
                              !message.empty())
                              return usageError("run", message);
                          if (options->library.empty())
                              return usageError("run", "name the script library to run");
                          if (options->updateGolden && options->golden.empty())
                              return usageError("run", "--update-golden needs --golden FILE");
                          if (!(options->timeout > 0) || options->timeout > 86400)
                              return usageError("run", "--timeout takes seconds above 0 and at most 86400");
                          if (!options->isolate)
                              return run(*options);
                          if (!isolationAvailable())
                              return usageError("run", "--isolate needs child processes, which this build has not");
                          return runIsolated([&] { return run(*options); }, options->json);
                      }};
}

} // namespace vesk_host
