// "vesk_host run" by default: the script runs in a worker process, and
// this process, its supervisor, owns the terminal, the transcript, the
// golden file, the verdict and the exit code. Whatever the script does to
// its own process (a crash, an exit, a hang, closed descriptors), the
// transcript up to that moment is complete and the broken rule is named.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/abi_choice.h"
#include "app/exit_codes.h"
#include "app/progress.h"
#include "app/prompt.h"
#include "app/run_output.h"
#include "app/run_preparation.h"
#include "rig/run_supervisor.h"
#include "rig/run_worker.h"
#include "transcript/finding_tally.h"
#include "transcript/transcript_json.h"

namespace vesk_host {

namespace {

// The records of a run on their way from the worker: a few steps' worth at least.
constexpr std::size_t ringBytes = 1u << 20;

class Listener final : public RunListener {
public:
    Listener(const RunOptions& options, Output& out) : options_(options), out_(out) {}

    void stepFailed(int line, const Error& error) override
    {
        tellStepFailed(options_, options_.session.empty(), line, error);
        failed_ = true;
    }
    void words(const std::string& text) override
    {
        out_.flush();
        std::cerr << text;
    }
    void after(const std::string& text) override { after_ += text; }
    std::optional<std::string> nextStep() override
    {
        if (!prompt_) {
            prompt_.emplace();
            if (prompt_->interactive())
                std::cerr << "vesk_host: type steps; \"help\" lists them, \"quit\" ends.\n";
        }
        out_.flush();
        ++number_;
        const auto line = prompt_->readLine("vesk> ");
        if (!line) {
            std::cerr << "line " << number_ << ": " << line.error().message << "\n";
            failed_ = true;
            return std::nullopt;
        }
        return *line;
    }

    bool failed() const { return failed_; }
    const std::string& afterText() const { return after_; }

private:
    const RunOptions& options_;
    Output& out_;
    std::optional<Prompt> prompt_;
    int number_ = 0;
    bool failed_ = false;
    std::string after_;
};

// What the worker runs, the same whichever way it is started.
WorkerRun workerRunOf(const RunOptions& options, PreparedRun& prepared)
{
    WorkerRun work;
    work.plan = std::move(prepared.plan);
    work.session = options.session;
    work.finalState = !options.quiet || prepared.golden || !options.golden.empty();
    work.problemsOnly = options.quiet && !prepared.golden && options.golden.empty();
    const AbiDecision abi = prepared.abi;
    work.startWords = [abi](const Rig& rig) { return learnedAbiWords(abi, rig.emulator().host(), "vesk_host"); };
    if (options.json)
        work.endText = [abi](const Rig& rig) { return abiJsonLine(abi, rig.emulator().host()); };
    return work;
}

// The command line of the hidden worker mode, after the program's name.
std::vector<std::string> workerArguments(const RunOptions& options)
{
    char timeout[40];
    std::snprintf(timeout, sizeof timeout, "%.17g", options.timeout);
    // The layout as asked: the worker decides it as this process did, with the same reason.
    std::vector<std::string> words = {"run", "--worker", "--timeout", timeout, "--memory", options.memory,
                                      "--abi", options.abi};
    for (const auto& [option, value] :
         {std::pair<const char*, const std::string&>{"--max-memory", options.maxMemory},
          {"--plant", options.plant}, {"--session", options.session}, {"--studio", options.studio}})
        if (!value.empty())
            words.insert(words.end(), {option, value});
    for (const std::string& script : options.scripts)
        words.insert(words.end(), {"--script", script});
    if (options.json)
        words.push_back("--json");
    if (options.strict && options.golden.empty())
        words.push_back("--strict");
    if (options.verbose)
        words.push_back("--verbose");
    // The final state is shown unless quiet without a golden file.
    if (options.quiet && options.golden.empty())
        words.push_back("--quiet");
    if (!options.library.empty())
        words.push_back(options.library);
    return words;
}

} // namespace

int runAsWorker(const RunOptions& options, PreparedRun& prepared)
{
    WorkerRun work = workerRunOf(options, prepared);
    const auto channel = worker::takeChannels();
    return runWorker(work, *channel);
}

int runSupervised(const RunOptions& options, PreparedRun& prepared)
{
    Output& out = Output::standard();
    RunOutput output(out, options.json, options.quiet, prepared.golden ? &*prepared.golden : nullptr,
                     options.goldenWithoutPanel);
    EventBus events;
    // The schema line comes with the first event: a library that does not load prints nothing.
    bool schemaWritten = !options.json;
    auto schema = ObserverFunction([&](const HostEvent&) {
        if (!schemaWritten)
            output.write(schemaJsonLine());
        schemaWritten = true;
    });
    events.subscribe(schema);
    events.subscribe(output);
    FindingTally tally;
    events.subscribe(tally);
    std::optional<Progress> progress;
    if (!options.quiet && Progress::wanted()) {
        progress.emplace();
        events.subscribe(*progress);
    }

    const std::vector<std::string> arguments = workerArguments(options);
    WorkerRun work = workerRunOf(options, prepared);
    worker::Launch launch;
    launch.body = [&work](worker::Channel& channel) { return runWorker(work, channel); };
    launch.arguments = arguments;
    // What the script prints is taken per call in the worker; only what escapes that reaches standard error.
    launch.captureOutput = false;

    // Where the worker is forked, its records come through memory both share.
    const std::unique_ptr<worker::SharedRing> ring =
        worker::WorkerProcess::byFork() ? worker::SharedRing::make(ringBytes) : nullptr;
    work.ring = ring.get();
    Listener listener(options, out);
    const SupervisedEnd end = superviseRun(launch, events, listener, options.timeout, ring.get());
    if (progress) {
        events.unsubscribe(*progress);
        progress.reset();
    }
    switch (end.how) {
    case SupervisedEnd::How::emulatorFailed:
        out.flush();
        std::cerr << "vesk_host: the emulator itself failed: " << end.message << "\n";
        return exitEmulator;
    case SupervisedEnd::How::scriptEnded:
        out.flush();
        std::cerr << "vesk_host: the script ended the run: " << end.rule->name << ": " << end.message << "\n";
        return exitViolation;
    case SupervisedEnd::How::loadFailed:
    case SupervisedEnd::How::done: break;
    }
    int exit = listener.failed() ? exitUsage : exitSuccess;
    if (end.how == SupervisedEnd::How::loadFailed) {
        out.flush();
        std::cerr << "vesk_host: " << end.message << "\n";
        // A library that never loaded has no transcript to end.
        if (!schemaWritten)
            return exitLoad;
        exit = exitLoad;
    }
    events.emit(RunSummary{tally.violations(), tally.warnings(), end.expectationsMet, end.expectationsFailed,
                           tally.byName()});
    // The host's own fact, not the script's conduct: never in the golden comparison.
    out.write(listener.afterText());
    out.flush();
    return endRun(exit, RunCounts{tally.violations(), end.expectationsFailed}, prepared.golden);
}

} // namespace vesk_host
