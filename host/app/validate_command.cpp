#include "app/validate_command.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <random>

#include "app/abi_choice.h"
#include "app/exit_codes.h"
#include "app/memory_option.h"
#include "base/memory_budget.h"
#include "base/text_util.h"
#include "plant/plant_file.h"
#include "session/session_steps.h"
#include "validator/check_selection.h"
#include "validator/isolation.h"
#include "validator/report.h"
#include "validator/runner.h"

namespace vesk_host {

namespace {

using namespace validator;

constexpr int defaultSoakSteps = 2000;

struct ValidateOptions {
    std::string library;
    std::string plant;
    std::string junit;
    std::string soakFile;
    std::string only;
    std::string skip;
    std::string seed;
    std::string soakSteps;
    std::string timeout;
    std::string abi = "auto";
    std::string child;  // the hidden child mode: the child's id
    std::string maxMemory;
    bool json = false;
    bool strict = false;
    bool inProcess = false;
    bool list = false;
};

// The options' values, read and checked.
struct ValidateSettings {
    std::optional<IdPattern> only;
    std::optional<IdPattern> skip;
    std::optional<std::uint64_t> seed;
    int soakSteps = defaultSoakSteps;
    double watchdogSeconds = 30;
    std::uint64_t maxMemory = MemoryBudget::defaultLimit;
};

int usage(const std::string& message) { return usageError("validate", message); }

Result<std::optional<IdPattern>> pattern(const std::string& text, const char* option)
{
    if (text.empty())
        return std::optional<IdPattern>();
    auto compiled = IdPattern::compile(text);
    if (!compiled)
        return fail(std::string(option) + " " + quoteText(text) + " is not a regular expression: " +
                    compiled.error().message);
    return std::optional<IdPattern>(std::move(*compiled));
}

Result<ValidateSettings> readSettings(const ValidateOptions& options)
{
    ValidateSettings settings;
    auto only = pattern(options.only, "--only");
    if (!only)
        return only.error();
    auto skip = pattern(options.skip, "--skip");
    if (!skip)
        return skip.error();
    settings.only = std::move(*only);
    settings.skip = std::move(*skip);
    if (!options.timeout.empty()) {
        char* end = nullptr;
        const double seconds = std::strtod(options.timeout.c_str(), &end);
        if (*end != '\0' || !(seconds > 0) || seconds > 86400)
            return fail("--timeout takes seconds above 0 and at most 86400, not " + quoteText(options.timeout));
        settings.watchdogSeconds = seconds;
    }
    if (!options.seed.empty()) {
        const std::string& given = options.seed;
        const bool digits = given.size() <= 20 && given.find_first_not_of("0123456789") == std::string::npos;
        errno = 0;
        const unsigned long long seed = digits ? std::strtoull(given.c_str(), nullptr, 10) : 0;
        if (!digits || errno == ERANGE)
            return fail("--seed takes a whole number from 0 to 18446744073709551615, not " + quoteText(given));
        settings.seed = seed;
    }
    if (!options.soakSteps.empty()) {
        const auto steps = parseInt32(options.soakSteps);
        if (!steps || *steps < 0 || *steps > mostSoakSteps)
            return fail("--soak-steps takes a whole number from 0 to " + std::to_string(mostSoakSteps) + ", not " +
                        quoteText(options.soakSteps));
        settings.soakSteps = *steps;
    }
    const auto maxMemory = parseMemorySize(options.maxMemory);
    if (!maxMemory)
        return maxMemory.error();
    settings.maxMemory = *maxMemory;
    return settings;
}

std::uint64_t freshSeed()
{
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    // 48 bits: exact in every JSON reader.
    return ((static_cast<std::uint64_t>(device()) << 20) ^ now) & 0xffffffffffffULL;
}

// The command line that replays the soak's session in "vesk_host run".
std::string replayCommand(const ValidateOptions& options, const std::string& soakFile)
{
    return "vesk_host run " + (options.plant.empty() ? std::string() : "--plant " + options.plant + " ") +
           "--session " + soakFile + " " + options.library;
}

int validate(const ValidateOptions& options)
{
    auto settings = readSettings(options);
    if (!settings)
        return usage(settings.error().message);
    const std::vector<const Check*> checks = selectChecks(settings->only, settings->skip);
    if (options.list) {
        std::cout << listText(checks);
        return exitSuccess;
    }
    if (options.library.empty())
        return usage("name the script library to validate");
    if (checks.empty())
        return usage("no check is left by --only and --skip (vesk_host validate --list shows the ids)");

    CheckSetup setup;
    setup.library = options.library;
    setup.plant.panelFolder = ".";
    MemoryBudget budget(settings->maxMemory);
    if (!options.plant.empty()) {
        auto load = loadPlantFile(options.plant, &budget);
        if (!load) {
            const bool tooBig = load.error().kind == ErrorKind::overBudget;
            std::cerr << "vesk_host validate: " << load.error().message << (tooBig ? maxMemoryHint() : "") << "\n";
            return exitUsage;
        }
        setup.plant = std::move(*load);
    }
    setup.seed = settings->seed ? *settings->seed : freshSeed();
    setup.soakSteps = settings->soakSteps;
    setup.soakFile = options.soakFile.empty() ? "vesk_soak_" + std::to_string(setup.seed) + ".vesk" : options.soakFile;
    setup.replayCommand = replayCommand(options, setup.soakFile);

    RunSettings run;
    run.watchdogSeconds = settings->watchdogSeconds;
    run.inProcess = options.inProcess;
    if (!options.child.empty()) {
        // Started by a validator: one child's records to its channel, nothing else.
        setup.abi = abiKindNamed(options.abi);
        const auto channel = takeParentChannel();
        return runChild(options.child, setup, *channel) ? exitSuccess : exitUsage;
    }
    const auto abi = chooseAbi(options.abi, setup.library, "vesk_host validate");
    if (!abi)
        return exitUsage;
    setup.abi = abi->kind;
    // Where children are this program started again: the command line of its child mode.
    run.childArguments = [&options, &setup, &run](const std::string& id) {
        char timeout[40];
        std::snprintf(timeout, sizeof timeout, "%.17g", run.watchdogSeconds);
        std::vector<std::string> child = {"validate", "--child", id,
                                          "--abi", setup.abi ? abiKindName(*setup.abi) : "auto",
                                          "--seed", std::to_string(setup.seed),
                                          "--soak-steps", std::to_string(setup.soakSteps),
                                          "--soak-file", setup.soakFile,
                                          "--timeout", timeout};
        if (!options.plant.empty())
            child.insert(child.end(), {"--plant", options.plant});
        child.push_back(setup.library);
        return child;
    };
    RunInfo info;
    info.library = setup.library;
    info.plantFile = options.plant;
    info.seed = setup.seed;
    info.soakSteps = setup.soakSteps;
    info.watchdogSeconds = run.watchdogSeconds;
    info.isolated = !options.inProcess && childProcessesAvailable();
    info.isolationNote = options.inProcess ? "every check in this process (--in-process): a crash or hang of the "
                                             "script stops the whole run"
                                           : childProcessesMissing();
    info.strict = options.strict;

    const auto started = std::chrono::steady_clock::now();
    if (const Status probed = probeLibrary(setup.library, run); !probed) {
        std::cerr << "vesk_host validate: " << probed.error().message << "\n";
        return exitLoad;
    }
    info.abiReason = abi->reason;
    // The script's start-up, once, before any check: an export that returns
    // null is said once, as run says it (and its layout learned where asked).
    const LearnedAbi learned = learnAbi(setup, run);
    // Where the layout is known, only an export that returns null stops here:
    // what else went wrong at start-up is the checks' to name.
    if (!learned.kind && (!setup.abi || learned.exportReturnedNull)) {
        std::cerr << "vesk_host validate: " << learned.error << "\n";
        return exitLoad;
    }
    if (!setup.abi) {
        setup.abi = learned.kind;
        info.abiReason = "learned: " + learned.reason;
        std::cerr << "vesk_host validate: " << abiLine(*setup.abi, info.abiReason) << "\n";
    }
    info.abi = abiKindName(*setup.abi);
    if (!options.json)
        std::cout << headerText(info) << std::flush;
    std::vector<CheckOutcome> outcomes;
    for (const Check* check : checks) {
        outcomes.push_back(runCheck(*check, setup, run));
        if (!options.json)
            std::cout << outcomeText(outcomes.back()) << std::flush;
    }
    info.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    info.exitCode = runPassed(outcomes, options.strict) ? exitSuccess : exitViolation;
    if (options.json)
        std::cout << jsonReport(info, outcomes);
    else
        std::cout << causesText(outcomes) << "\n" << finalLine(outcomes, options.strict, info.seconds);
    std::cout << std::flush;
    if (!options.junit.empty()) {
        std::ofstream file(options.junit, std::ios::binary | std::ios::trunc);
        file << junitReport(info, outcomes);
        if (!file) {
            std::cerr << "vesk_host validate: cannot write the JUnit report " << options.junit << "\n";
            return exitUsage;
        }
    }
    return info.exitCode;
}

} // namespace

Command validateCommand()
{
    auto options = std::make_shared<ValidateOptions>();
    ValidateOptions& o = *options;
    return Command{
        "validate",
        validateDescription,
        {{"--plant", "the plant (TOML) the checks run on; without it, an empty plant", "FILE", &o.plant},
         {"--list", "list the checks (those --only and --skip leave) and stop", "", &o.list},
         {"--only", "run only the checks whose ids match", "REGEX", &o.only},
         {"--skip", "leave out the checks whose ids match", "REGEX", &o.skip},
         {"--timeout", "the watchdog of each check (default 30)", "SECONDS", &o.timeout},
         {"--in-process", "run every check in this process, for a debugger (no crash isolation)", "", &o.inProcess},
         {"--seed", "the soak's seed (default: a new one, printed)", "N", &o.seed},
         {"--soak-steps",
          "steps of the soak (default " + std::to_string(defaultSoakSteps) + ", at most " +
              std::to_string(mostSoakSteps) + "; its watchdog grows with them)",
          "N", &o.soakSteps},
         maxMemoryOption(o.maxMemory),
         {"--soak-file", "where a failing soak writes its session (default vesk_soak_SEED.vesk)", "FILE", &o.soakFile},
         {"--strict", "warnings fail the run too", "", &o.strict},
         {"--json", "write a JSON report (schema vesk-host-validate, version 1) instead of the table", "", &o.json},
         {"--junit", "also write a JUnit XML report to FILE", "FILE", &o.junit},
         {"--abi",
          "the script's C++ layout: auto (read from the DLL, or learned from its first call), native, "
          "gnu or msvc (gnu and msvc in the 32-bit Windows build)",
          "KIND", &o.abi},
         // The child mode: a validator starting itself again (Windows) for one check.
         {"--child", "", "", &o.child},
         {"library", "the script library to validate", "LIBRARY", &o.library}},
        validateExitCodeHelp(),
        [options](const std::vector<std::string>& extras) {
            if (const auto message = leftOver(extras, options->library, "script library"); !message.empty())
                return usage(message);
            return validate(*options);
        }};
}

} // namespace vesk_host
