#include "run_command.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "emulator.h"
#include "exit_codes.h"
#include "files.h"
#include "finding_tally.h"
#include "golden.h"
#include "loader.h"
#include "memory_budget.h"
#include "memory_option.h"
#include "panel_view.h"
#include "plant_file.h"
#include "prompt.h"
#include "session_runner.h"
#include "session_steps.h"
#include "transcript_json.h"
#include "transcript_text.h"

namespace vesk_host {

namespace {

struct RunOptions {
    std::string library;
    std::string plant;
    std::string session;
    std::string golden;
    std::string maxMemory;
    bool json = false;
    bool updateGolden = false;
};

// Steps typed at a prompt. False when a step could not be read or carried out.
bool runInteractive(SessionRunner& runner, const Plant& plant)
{
    Prompt prompt;
    if (prompt.interactive())
        std::cerr << "vesk_host: type steps; \"help\" lists them, \"quit\" ends.\n";
    bool allRan = true;
    for (int number = 1;; ++number) {
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
        const StepResult result = runner.run(**parsed);
        if (result == StepResult::quit)
            return allRan;
        if (result == StepResult::failed) {
            std::cerr << "line " << number << ": " << runner.error() << "\n";
            allRan = false;
        }
    }
}

// Compares or records the golden file; true when the run may count as passed.
bool checkGolden(const RunOptions& options, const std::string& output)
{
    if (options.updateGolden) {
        std::ofstream file(options.golden, std::ios::binary);
        file << output;
        if (!file) {
            std::cerr << "vesk_host: cannot write the golden file " << options.golden << "\n";
            return false;
        }
        std::cerr << "vesk_host: recorded " << options.golden << "\n";
        return true;
    }
    const auto golden = readWholeFile(options.golden);
    if (!golden) {
        std::cerr << "vesk_host: cannot read the golden file " << options.golden
                  << " (record it with --update-golden)\n";
        return false;
    }
    const auto difference = firstDifference(*golden, output);
    if (!difference)
        return true;
    std::cerr << "vesk_host: the output differs from " << options.golden << " at line " << difference->line
              << "\n  golden: " << difference->expected << "\n  now:    " << difference->actual << "\n";
    return false;
}

int run(const RunOptions& options)
{
    const auto maxMemory = parseMemorySize(options.maxMemory);
    if (!maxMemory)
        return usageError("run", maxMemory.error().message);
    MemoryBudget budget(*maxMemory);
    Plant plant;
    plant.panelFolder = ".";
    if (!options.plant.empty()) {
        auto load = loadPlantFile(options.plant, &budget);
        if (!load) {
            const bool tooBig = load.error().message.find("memory budget") != std::string::npos;
            std::cerr << "vesk_host: " << load.error().message << (tooBig ? maxMemoryHint() : "") << "\n";
            return exitUsage;
        }
        plant = std::move(*load);
    }
    std::vector<Step> steps;
    if (!options.session.empty()) {
        const auto text = readWholeFile(options.session);
        if (!text) {
            std::cerr << "vesk_host: " << text.error().message << "\n";
            return exitUsage;
        }
        // The steps are held for the whole run: one per line at most, each with its text.
        const auto lines = static_cast<std::uint64_t>(std::count(text->begin(), text->end(), '\n')) + 1;
        if (const Status charged = budget.charge("the session's steps", lines * (sizeof(Step) + entryCost) +
                                                                           2 * text->size());
            !charged) {
            std::cerr << "vesk_host: " << options.session << ": " << charged.error().message << maxMemoryHint()
                      << "\n";
            return exitUsage;
        }
        auto parsed = parseSession(*text, options.session, plant);
        if (!parsed) {
            std::cerr << "vesk_host: " << parsed.error().message << "\n";
            return exitUsage;
        }
        steps = std::move(*parsed);
    }

    // Declared before the emulator so that it is unloaded only after the script has ended.
    ScriptLibrary library;
    if (const Status opened = library.open(options.library); !opened) {
        std::cerr << "vesk_host: " << opened.error().message << "\n";
        return exitLoad;
    }

    std::string output;
    const auto write = [&](const std::string& text) {
        output += text;
        std::cout << text << std::flush;
    };
    EventBus events;
    TextTranscript text(write);
    JsonTranscript json(write);
    if (options.json) {
        write(jsonLine(schemaLine()));
        events.subscribe(json);
    } else {
        events.subscribe(text);
    }
    FindingTally tally;
    events.subscribe(tally);
    Emulator emulator(std::move(plant), events);
    SessionRunner runner(emulator, events);

    int exit = exitSuccess;
    if (!runner.startUp(library.entry())) {
        std::cerr << "vesk_host: load_vesk_client_script of " << options.library << " returned null\n";
        exit = exitLoad;
    } else if (!options.session.empty()) {
        for (const Step& step : steps) {
            const StepResult result = runner.run(step);
            if (result == StepResult::quit)
                break;
            if (result == StepResult::failed) {
                std::cerr << "vesk_host: " << options.session << ":" << step.line << ": " << runner.error() << "\n";
                exit = exitUsage;
                break;
            }
        }
    } else if (!runInteractive(runner, emulator.plant())) {
        exit = exitUsage;
    }
    runner.finish();

    events.emit(StateShown{"== final panel state\n" + panelsTable(emulator.panels())});
    events.emit(RunSummary{tally.violations(), tally.warnings(), runner.expectationsMet(), runner.expectationsFailed(),
                           tally.byName()});

    if (!options.golden.empty() && !checkGolden(options, output))
        exit = std::max(exit, static_cast<int>(exitExpectation));
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
    app->add_option("--golden", options->golden, "compare the output with FILE and show the first difference")
        ->type_name("FILE");
    app->add_flag("--update-golden", options->updateGolden, "write the output to the --golden FILE instead of comparing");
    addMaxMemoryOption(*app, options->maxMemory);
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
                          return run(*options);
                      }};
}

} // namespace vesk_host
