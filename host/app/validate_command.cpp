#include "validate_command.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <regex>

#include "abi_choice.h"
#include "isolation.h"
#include "option_reader.h"
#include "plant_file.h"
#include "report.h"
#include "runner.h"
#include "text_util.h"

namespace vesk_host {

namespace {

using namespace validator;

constexpr int cannotRun = 2;
constexpr int defaultSoakSteps = 2000;

struct ValidateOptions {
    std::string library;
    std::optional<std::string> plant;
    std::optional<std::string> junit;
    std::optional<std::string> soakFile;
    std::optional<std::string> only;
    std::optional<std::string> skip;
    std::optional<std::uint64_t> seed;
    std::optional<std::string> child;  // the hidden child mode: the child's id
    std::string abi = "auto";
    int soakSteps = defaultSoakSteps;
    double watchdogSeconds = 30;
    bool json = false;
    bool strict = false;
    bool inProcess = false;
    bool list = false;
};

const char* validateUsage()
{
    return "vesk_host validate [options] LIBRARY\n"
           "  --plant FILE        the plant (TOML) the checks run on; without it, an empty plant\n"
           "  --list              list the checks (those --only and --skip leave) and stop\n"
           "  --only REGEX        run only the checks whose ids match\n"
           "  --skip REGEX        leave out the checks whose ids match\n"
           "  --timeout SECONDS   the watchdog of each check (default 30)\n"
           "  --in-process        run every check in this process, for a debugger (no crash isolation)\n"
           "  --seed N            the soak's seed (default: a new one, printed)\n"
           "  --soak-steps N      steps of the soak (default 2000)\n"
           "  --soak-file FILE    where a failing soak writes its session (default vesk_soak_SEED.vesk)\n"
           "  --strict            warnings fail the run too\n"
           "  --json              write a JSON report (schema vesk-host-validate, version 1) instead of the table\n"
           "  --junit FILE        also write a JUnit XML report to FILE\n"
           "  --abi auto|native|gnu|msvc   the script's C++ layout (default auto: read from the DLL, or\n"
           "                      learned from its first call; gnu and msvc in the 32-bit Windows build)\n"
           "Exit codes: 0 every check passed (warnings allowed unless --strict), 1 a check failed,\n"
           "crashed or timed out, 2 the validator could not run (bad arguments, library not loadable).\n";
}

int usageError(const std::string& message)
{
    std::cerr << "vesk_host validate: " << message << "\n(see vesk_host validate --help)\n";
    return cannotRun;
}

// Fills `options`; returns an exit code when the command line is wrong or asks for help.
std::optional<int> readOptions(const std::vector<std::string>& arguments, ValidateOptions& options)
{
    OptionReader reader(arguments);
    while (reader.next()) {
        const std::string& argument = reader.argument();
        const bool attached = reader.attached();
        const auto value = [&]() { return reader.value(); };
        const bool flag = argument == "--json" || argument == "--strict" || argument == "--in-process" ||
                          argument == "--list";
        if (argument == "--help" || argument == "-h") {
            std::cout << validateUsage();
            return 0;
        }
        if (flag) {
            if (attached)
                return usageError(argument + " takes no value");
            (argument == "--json"     ? options.json
             : argument == "--strict" ? options.strict
             : argument == "--list"   ? options.list
                                      : options.inProcess) = true;
            continue;
        }
        if (argument.rfind("-", 0) == 0 && argument != "-") {
            std::optional<std::string> given;
            if (argument == "--plant" || argument == "--junit" || argument == "--soak-file" ||
                argument == "--only" || argument == "--skip" || argument == "--timeout" || argument == "--seed" ||
                argument == "--soak-steps" || argument == "--abi" || argument == "--child") {
                given = value();
                if (!given)
                    return usageError(argument + " needs a value");
            } else {
                return usageError("unknown option " + argument);
            }
            if (argument == "--plant")
                options.plant = *given;
            else if (argument == "--abi")
                options.abi = *given;
            else if (argument == "--child")
                options.child = *given;
            else if (argument == "--junit")
                options.junit = *given;
            else if (argument == "--soak-file")
                options.soakFile = *given;
            else if (argument == "--only")
                options.only = *given;
            else if (argument == "--skip")
                options.skip = *given;
            else if (argument == "--timeout") {
                char* end = nullptr;
                const double seconds = std::strtod(given->c_str(), &end);
                if (given->empty() || *end != '\0' || !(seconds > 0) || seconds > 86400)
                    return usageError("--timeout takes seconds above 0 and at most 86400, not " + quoteText(*given));
                options.watchdogSeconds = seconds;
            } else if (argument == "--seed") {
                const bool digits = !given->empty() && given->size() <= 20 &&
                                    given->find_first_not_of("0123456789") == std::string::npos;
                errno = 0;
                const unsigned long long seed = digits ? std::strtoull(given->c_str(), nullptr, 10) : 0;
                if (!digits || errno == ERANGE)
                    return usageError("--seed takes a whole number from 0 to 18446744073709551615, not " +
                                      quoteText(*given));
                options.seed = seed;
            } else {
                const auto steps = parseInt32(*given);
                if (!steps || *steps < 0 || *steps > 10000000)
                    return usageError("--soak-steps takes a whole number from 0 to 10000000, not " +
                                      quoteText(*given));
                options.soakSteps = *steps;
            }
            continue;
        }
        if (!options.library.empty())
            return usageError("one script library only (got " + options.library + " and " + argument + ")");
        options.library = argument;
    }
    if (options.library.empty() && !options.list)
        return usageError("name the script library to validate");
    return std::nullopt;
}

std::optional<std::regex> pattern(const std::optional<std::string>& text, const char* option, bool& bad)
{
    if (!text)
        return std::nullopt;
    try {
        return std::regex(*text, std::regex::ECMAScript);
    } catch (const std::regex_error& error) {
        usageError(std::string(option) + " " + quoteText(*text) + " is not a regular expression: " + error.what());
        bad = true;
        return std::nullopt;
    }
}

std::uint64_t freshSeed()
{
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    // 48 bits: exact in every JSON reader.
    return ((static_cast<std::uint64_t>(device()) << 20) ^ now) & 0xffffffffffffULL;
}

} // namespace

int validateCommand(const std::vector<std::string>& arguments)
{
    ValidateOptions options;
    if (const auto exit = readOptions(arguments, options))
        return *exit;
    bool badPattern = false;
    const auto only = pattern(options.only, "--only", badPattern);
    const auto skip = pattern(options.skip, "--skip", badPattern);
    if (badPattern)
        return cannotRun;
    const std::vector<const Check*> checks = selectChecks(only, skip);
    if (options.list) {
        std::cout << listText(checks);
        return 0;
    }
    if (checks.empty())
        return usageError("no check is left by --only and --skip (vesk_host validate --list shows the ids)");

    CheckSetup setup;
    setup.library = options.library;
    setup.plant.panelFolder = ".";
    if (options.plant) {
        PlantLoad load = loadPlantFile(*options.plant);
        if (!load.plant) {
            std::cerr << "vesk_host validate: " << load.error << "\n";
            return cannotRun;
        }
        setup.plant = std::move(*load.plant);
        setup.plantFile = *options.plant;
    }
    setup.seed = options.seed ? *options.seed : freshSeed();
    setup.soakSteps = options.soakSteps;
    setup.soakFile = options.soakFile ? *options.soakFile : "vesk_soak_" + std::to_string(setup.seed) + ".vesk";

    RunSettings settings;
    settings.watchdogSeconds = options.watchdogSeconds;
    settings.inProcess = options.inProcess;
    if (options.child) {
        // Started by a validator: one child's records to its channel, nothing else.
        setup.abi = abiKindNamed(options.abi);
        const auto channel = takeParentChannel();
        return runChild(*options.child, setup, *channel) ? 0 : cannotRun;
    }
    const auto abi = chooseAbi(options.abi, setup.library, "vesk_host validate");
    if (!abi)
        return cannotRun;
    setup.abi = abi->kind;
    settings.childArguments = [&options, &setup, &settings](const std::string& id) {
        char timeout[40];
        std::snprintf(timeout, sizeof timeout, "%.17g", settings.watchdogSeconds);
        std::vector<std::string> child = {"validate", "--child", id,
                                          "--abi", setup.abi ? abiKindName(*setup.abi) : "auto",
                                          "--seed", std::to_string(setup.seed),
                                          "--soak-steps", std::to_string(setup.soakSteps),
                                          "--soak-file", setup.soakFile,
                                          "--timeout", timeout};
        if (options.plant)
            child.insert(child.end(), {"--plant", *options.plant});
        child.push_back(setup.library);
        return child;
    };
    RunInfo info;
    info.library = setup.library;
    info.plantFile = setup.plantFile;
    info.seed = setup.seed;
    info.soakSteps = setup.soakSteps;
    info.watchdogSeconds = settings.watchdogSeconds;
    info.isolated = !options.inProcess && childProcessesAvailable();
    info.isolationNote = options.inProcess ? "every check in this process (--in-process): a crash or hang of the "
                                             "script stops the whole run"
                                           : childProcessesMissing();
    info.strict = options.strict;

    const auto started = std::chrono::steady_clock::now();
    const std::string loadError = probeLibrary(setup.library, settings);
    if (!loadError.empty()) {
        std::cerr << "vesk_host validate: " << loadError << "\n";
        return cannotRun;
    }
    info.abiReason = abi->reason;
    if (!setup.abi) {
        const LearnedAbi learned = learnAbi(setup, settings);
        if (!learned.kind) {
            std::cerr << "vesk_host validate: " << learned.error << "\n";
            return cannotRun;
        }
        setup.abi = learned.kind;
        info.abiReason = "learned: " + learned.reason;
        std::cerr << "vesk_host validate: " << abiLine(*setup.abi, info.abiReason) << "\n";
    }
    info.abi = abiKindName(*setup.abi);
    if (!options.json)
        std::cout << headerText(info) << std::flush;
    std::vector<Outcome> outcomes;
    for (const Check* check : checks) {
        outcomes.push_back(runCheck(*check, setup, settings));
        if (!options.json)
            std::cout << outcomeText(outcomes.back()) << std::flush;
    }
    info.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (options.json)
        std::cout << jsonReport(info, outcomes);
    else
        std::cout << "\n" << finalLine(outcomes, options.strict, info.seconds);
    std::cout << std::flush;
    if (options.junit) {
        std::ofstream file(*options.junit, std::ios::binary | std::ios::trunc);
        file << junitReport(info, outcomes);
        if (!file) {
            std::cerr << "vesk_host validate: cannot write the JUnit report " << *options.junit << "\n";
            return cannotRun;
        }
    }
    return exitCodeOf(outcomes, options.strict);
}

} // namespace vesk_host
