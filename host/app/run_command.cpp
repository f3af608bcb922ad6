#include "run_command.h"

#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "abi_choice.h"
#include "emulator.h"
#include "exit_codes.h"
#include "files.h"
#include "golden.h"
#include "panel_view.h"
#include "loader.h"
#include "option_reader.h"
#include "plant_file.h"
#include "session_file.h"
#include "session_runner.h"
#include "transcript.h"

namespace vesk_host {

namespace {

struct RunOptions {
    std::string library;
    std::optional<std::string> plant;
    std::optional<std::string> session;
    std::optional<std::string> golden;
    std::string abi = "auto";
    bool json = false;
    bool updateGolden = false;
};

int usageError(const std::string& message)
{
    std::cerr << "vesk_host run: " << message << "\n(see vesk_host --help)\n";
    return exitUsage;
}

// Fills `options`; returns an exit code when the command line is wrong or asks for help.
std::optional<int> readOptions(const std::vector<std::string>& arguments, RunOptions& options)
{
    OptionReader reader(arguments);
    while (reader.next()) {
        const std::string& argument = reader.argument();
        const bool attached = reader.attached();
        const auto value = [&](const char* name) -> std::optional<std::string> {
            auto given = reader.value();
            if (!given)
                usageError(std::string(name) + " needs a file name");
            return given;
        };
        if (argument == "--help" || argument == "-h") {
            std::cout << "vesk_host run [--plant FILE] [--session FILE] [--json] [--golden FILE [--update-golden]] "
                         "[--abi " << abiOptionValues << "] LIBRARY\n\nSteps of a session file or the prompt:\n"
                      << sessionHelp();
            return exitSuccess;
        }
        if (argument == "--json" || argument == "--update-golden") {
            if (attached)
                return usageError(argument + " takes no value");
            (argument == "--json" ? options.json : options.updateGolden) = true;
        } else if (argument == "--plant" || argument == "--session" || argument == "--golden") {
            auto file = value(argument.c_str());
            if (!file)
                return exitUsage;
            (argument == "--plant" ? options.plant : argument == "--session" ? options.session : options.golden) =
                *file;
        } else if (argument == "--abi") {
            auto kind = reader.value();
            if (!kind)
                return usageError(std::string("--abi needs one of ") + abiOptionValues);
            options.abi = *kind;
        } else if (argument.rfind("-", 0) == 0 && argument != "-") {
            return usageError("unknown option " + argument);
        } else if (options.library.empty()) {
            options.library = argument;
        } else {
            return usageError("one script library only (got " + options.library + " and " + argument + ")");
        }
    }
    if (options.library.empty())
        return usageError("name the script library to run");
    if (options.updateGolden && !options.golden)
        return usageError("--update-golden needs --golden FILE");
    return std::nullopt;
}

Entry summaryEntry(const Transcript& transcript, const SessionRunner& runner)
{
    std::map<std::string, int> broken;
    for (const auto& finding : transcript.findings())
        broken[finding.rule->name] += 1;
    Entry entry;
    entry.kind = "summary";
    entry.text = "== summary: " + std::to_string(transcript.violations()) + " violation(s), " +
                 std::to_string(transcript.warnings()) + " warning(s); " + std::to_string(runner.expectationsMet()) +
                 " expectation(s) met, " + std::to_string(runner.expectationsFailed()) + " failed";
    std::vector<std::string> rules;
    for (const auto& [name, count] : broken) {
        entry.text += "\n   " + name + ": " + std::to_string(count);
        rules.push_back(name + "=" + std::to_string(count));
    }
    entry.fields = {{"violations", std::int64_t{transcript.violations()}},
                    {"warnings", std::int64_t{transcript.warnings()}},
                    {"expectations_met", std::int64_t{runner.expectationsMet()}},
                    {"expectations_failed", std::int64_t{runner.expectationsFailed()}},
                    {"rules", rules}};
    return entry;
}

// Steps typed at a prompt (on standard error, so standard output stays the transcript).
bool runInteractive(SessionRunner& runner, const Plant& plant)
{
    std::cerr << "vesk_host: type steps; \"help\" lists them, \"quit\" ends.\n";
    std::string line;
    for (int number = 1;; ++number) {
        std::cerr << "vesk> " << std::flush;
        if (!std::getline(std::cin, line))
            return true;
        const StepParse parsed = parseStep(line, number, plant);
        if (!parsed.error.empty()) {
            std::cerr << "line " << number << ": " << parsed.error << "\n";
            continue;
        }
        if (parsed.step && runner.run(*parsed.step) == SessionRunner::Outcome::quit)
            return true;
    }
}

// Compares or records the golden file; true when the run may count as passed.
bool checkGolden(const RunOptions& options, const std::string& output)
{
    if (options.updateGolden) {
        std::ofstream file(*options.golden, std::ios::binary);
        file << output;
        if (!file) {
            std::cerr << "vesk_host: cannot write the golden file " << *options.golden << "\n";
            return false;
        }
        std::cerr << "vesk_host: recorded " << *options.golden << "\n";
        return true;
    }
    const auto golden = readWholeFile(*options.golden);
    if (!golden) {
        std::cerr << "vesk_host: cannot read the golden file " << *options.golden
                  << " (record it with --update-golden)\n";
        return false;
    }
    const auto difference = firstDifference(*golden, output);
    if (!difference)
        return true;
    std::cerr << "vesk_host: the output differs from " << *options.golden << " at line " << difference->line
              << "\n  golden: " << difference->expected << "\n  now:    " << difference->actual << "\n";
    return false;
}

} // namespace

int runCommand(const std::vector<std::string>& arguments)
{
    RunOptions options;
    if (const auto exit = readOptions(arguments, options))
        return *exit;

    Plant plant;
    plant.panelFolder = ".";
    if (options.plant) {
        PlantLoad load = loadPlantFile(*options.plant);
        if (!load.plant) {
            std::cerr << "vesk_host: " << load.error << "\n";
            return exitUsage;
        }
        plant = std::move(*load.plant);
    }
    std::vector<Step> steps;
    if (options.session) {
        const auto text = readWholeFile(*options.session);
        if (!text) {
            std::cerr << "vesk_host: " << *options.session << ": cannot be read\n";
            return exitUsage;
        }
        SessionParse parse = parseSession(*text, *options.session, plant);
        if (!parse.error.empty()) {
            std::cerr << "vesk_host: " << parse.error << "\n";
            return exitUsage;
        }
        steps = std::move(parse.steps);
    }

    const auto abi = chooseAbi(options.abi, options.library, "vesk_host");
    if (!abi)
        return exitUsage;

    // Declared before the emulator so that it is unloaded only after the script has ended.
    ScriptLibrary library;
    std::string error;
    if (!library.open(options.library, error)) {
        std::cerr << "vesk_host: " << error << "\n";
        return exitLoad;
    }

    std::string output;
    Transcript transcript;
    transcript.addSink([&](const Entry& entry) {
        const std::string text = options.json ? renderJson(entry) : renderText(entry);
        output += text;
        std::cout << text << std::flush;
    });
    Emulator emulator(std::move(plant), transcript);
    emulator.setAbi(abi->kind);
    SessionRunner runner(emulator, transcript);

    int exit = exitSuccess;
    const bool started = runner.startUp(library.entry());
    reportLearnedAbi(*abi, emulator.host(), "vesk_host");
    if (!started) {
        std::cerr << "vesk_host: " << startFailure(emulator.host(), options.library) << "\n";
        exit = exitLoad;
    } else if (options.session) {
        for (const Step& step : steps) {
            const auto outcome = runner.run(step);
            if (outcome == SessionRunner::Outcome::quit)
                break;
            if (outcome == SessionRunner::Outcome::failed) {
                std::cerr << "vesk_host: " << *options.session << ":" << step.line << ": " << runner.error() << "\n";
                exit = exitUsage;
                break;
            }
        }
    } else {
        runInteractive(runner, emulator.plant());
    }
    runner.finish();

    transcript.add(showEntry("== final panel state\n" + panelsTable(emulator.panels())));
    transcript.add(summaryEntry(transcript, runner));
    // The host's own fact, not the script's conduct: never in the golden comparison.
    if (options.json)
        std::cout << abiJsonLine(*abi, emulator.host()) << std::flush;

    if (options.golden && !checkGolden(options, output))
        exit = std::max(exit, static_cast<int>(exitExpectation));
    if (runner.expectationsFailed() > 0)
        exit = std::max(exit, static_cast<int>(exitExpectation));
    if (transcript.violations() > 0)
        exit = std::max(exit, static_cast<int>(exitViolation));
    return exit;
}

} // namespace vesk_host
