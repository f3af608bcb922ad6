#include "app/run_preparation.h"

#include <fstream>
#include <iostream>

#include "app/abi_choice.h"
#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/memory_option.h"
#include "base/files.h"
#include "plant/plant_file.h"
#include "session/session_steps.h"

namespace vesk_host {

namespace {

// The files a run reads, which a recording must never overwrite.
std::vector<std::filesystem::path> inputsOf(const RunOptions& options, const Plant& plant,
                                            const std::vector<ScriptPosition>& positions)
{
    std::vector<std::filesystem::path> inputs = {options.library};
    for (const ScriptPosition& position : positions) {
        inputs.emplace_back(position.library);
        if (position.panelFolder)
            inputs.push_back(*position.panelFolder);
    }
    if (!options.studio.empty())
        inputs.emplace_back(options.studio);
    if (!options.plant.empty())
        inputs.emplace_back(options.plant);
    if (!options.session.empty())
        inputs.emplace_back(options.session);
    inputs.push_back(plant.panelFolder);
    return inputs;
}

Preparation refused(int exit) { return Preparation{std::nullopt, exit}; }

// The run's own command line with --update-golden: what records its golden file again.
std::string recordGoldenCommand(const RunOptions& options)
{
    std::vector<std::string> arguments = {"vesk_host", "run"};
    const auto add = [&](const char* option, const std::string& value) {
        if (!value.empty())
            arguments.insert(arguments.end(), {option, value});
    };
    add("--plant", options.plant);
    for (const std::string& script : options.scripts)
        add("--script", script);
    add("--studio", options.studio);
    add("--session", options.session);
    if (options.abi != "auto")
        add("--abi", options.abi);
    if (options.json)
        arguments.emplace_back("--json");
    if (options.goldenWithoutPanel)
        arguments.emplace_back("--golden-without-panel");
    arguments.insert(arguments.end(), {"--golden", options.golden, "--update-golden"});
    if (!options.library.empty())
        arguments.push_back(options.library);
    return shellCommand(arguments);
}

} // namespace

std::string studioOptionsProblem(const RunOptions& options)
{
    if (options.library.empty() && options.scripts.empty() && options.studio.empty())
        return "name the script library to run";
    return studioOptionsProblem(options.library, options.scripts, options.studio);
}

Preparation prepareRun(const RunOptions& options)
{
    const auto memory = memoryKindNamed(options.memory);
    if (!memory)
        return refused(usageError("run", "--memory takes guarded or plain, not \"" + options.memory + "\""));
    const auto maxMemory = parseMemorySize(options.maxMemory);
    if (!maxMemory)
        return refused(usageError("run", maxMemory.error().message));
    PreparedRun run;
    run.budget = std::make_unique<MemoryBudget>(*maxMemory);
    Plant plant;
    plant.panelFolder = ".";
    if (!options.plant.empty()) {
        auto load = loadPlantFile(options.plant, run.budget.get());
        if (!load) {
            const bool tooBig = load.error().kind == ErrorKind::overBudget;
            std::cerr << "vesk_host: " << load.error().message << (tooBig ? maxMemoryHint() : "") << "\n";
            return refused(exitUsage);
        }
        plant = std::move(*load);
    }
    const std::filesystem::path plantFolder =
        options.plant.empty() ? std::filesystem::path(".") : std::filesystem::path(options.plant).parent_path();
    auto positions = studioPositions(options.scripts, options.studio, plantFolder);
    if (!positions) {
        std::cerr << "vesk_host: " << positions.error().message << "\n";
        return refused(exitUsage);
    }
    std::vector<std::string> names;
    for (const ScriptPosition& position : *positions)
        names.push_back(position.name);
    // The session is read twice, a line at a time: once here to refuse a
    // wrong file before anything runs, once to run it; no step is kept.
    if (!options.session.empty()) {
        if (const Status readable = checkReadable(options.session); !readable) {
            std::cerr << "vesk_host: " << options.session << ": cannot be read: " << readable.error().message << "\n";
            return refused(exitUsage);
        }
        std::ifstream session(options.session, std::ios::binary);
        if (!session) {
            std::cerr << "vesk_host: " << options.session << ": cannot be read\n";
            return refused(exitUsage);
        }
        if (const Status checked = checkSteps(session, options.session, plant, &names); !checked) {
            std::cerr << "vesk_host: " << checked.error().message << "\n";
            return refused(exitUsage);
        }
    }
    if (!options.golden.empty() && options.updateGolden) {
        auto recording = GoldenFile::recordInto(options.golden, inputsOf(options, plant, *positions));
        if (!recording) {
            std::cerr << "vesk_host: " << recording.error().message << "\n";
            return refused(exitUsage);
        }
        run.golden.emplace(std::move(*recording));
    } else if (!options.golden.empty()) {
        run.golden.emplace(GoldenFile::compareWith(options.golden, recordGoldenCommand(options)));
    }
    const std::string& library = positions->empty() ? options.library : positions->front().library;
    const auto abi = chooseAbi(options.abi, library, "vesk_host", options.verbose);
    if (!abi)
        return refused(exitUsage);
    run.abi = *abi;
    run.plan.library = library;
    run.plan.positions = std::move(*positions);
    run.plan.plant = std::move(plant);
    run.plan.abi = abi->kind;
    run.plan.emulator.memory = *memory;
    run.plan.emulator.budget = run.budget.get();
    run.plan.callTimeoutSeconds = options.timeout;
    // A golden file holds every command, so it checks what no expectation names.
    run.plan.strict = options.strict && options.golden.empty();
    return Preparation{std::move(run), 0};
}

int endRun(int exit, const RunCounts& counts, std::optional<GoldenFile>& golden)
{
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
    if (counts.expectationsFailed > 0)
        exit = std::max(exit, static_cast<int>(exitExpectation));
    if (counts.violations > 0)
        exit = std::max(exit, static_cast<int>(exitViolation));
    return exit;
}

void tellStepFailed(const RunOptions& options, bool fromPrompt, int line, const Error& error)
{
    Output::standard().flush();
    if (fromPrompt) {
        std::cerr << "line " << line << ": " << error.message << "\n";
        return;
    }
    const bool tooBig = error.kind == ErrorKind::overBudget;
    std::cerr << "vesk_host: " << options.session << ":" << line << ": " << error.message
              << (tooBig ? maxMemoryHint() : "") << "\n";
}

} // namespace vesk_host
