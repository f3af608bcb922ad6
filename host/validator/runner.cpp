#include "validator/runner.h"

#include <chrono>
#include <cstring>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "abi/loader.h"
#include "base/write_all.h"
#include "emulator/emulator.h"
#include "events/call_names.h"
#include "rig/rig.h"
#include "traps/fatal_watch.h"
#include "validator/channel.h"
#include "validator/check_worker.h"
#include "validator/isolation.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

namespace {

class ChildTrail final : public Trail {
public:
    explicit ChildTrail(RecordSink& sink) : sink_(sink) {}
    void line(const std::string& text) override { sink_.write(encodeRecord(tag::line, text)); }
    void finding(const Finding& finding) override
    {
        sink_.write(encodeRecord(tag::finding, std::string(finding.rule->name) + "\t" + finding.message));
    }

private:
    RecordSink& sink_;
};

// Where a check's child writes its fatal report: its channel to the parent.
int fatalChannel = -1;

// Appends one record to a fixed buffer, as encodeRecord does, without allocating.
std::size_t putRecord(char* out, std::size_t at, std::size_t size, char tagByte, const char* first, const char* second)
{
    const std::size_t firstLength = std::strlen(first);
    const std::size_t secondLength = second ? std::strlen(second) : 0;
    const std::size_t length = firstLength + (second ? 1 + secondLength : 0);
    char digits[24];
    int count = 0;
    std::size_t rest = length;
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (at + 1 + static_cast<std::size_t>(count) + 1 + length > size)
        return at;
    out[at++] = tagByte;
    while (count > 0)
        out[at++] = digits[--count];
    out[at++] = ':';
    std::memcpy(out + at, first, firstLength);
    at += firstLength;
    if (second) {
        out[at++] = '\t';
        std::memcpy(out + at, second, secondLength);
        at += secondLength;
    }
    return at;
}

// The fatal watch's report in a check's child: what ended it, then the
// signal or the time-out; no end mark, so the parent knows the child died.
void reportFatal(const fatal::Report& report)
{
    static char records[4096];
    std::size_t at = putRecord(records, 0, sizeof records, tag::fatal, report.rule->name, report.message);
    if (report.signal)
        at = putRecord(records, at, sizeof records, tag::signal, report.signal, nullptr);
    if (report.timedOut)
        at = putRecord(records, at, sizeof records, tag::timeout, "", nullptr);
    writeAll(fatalChannel, records, at);
}

// Tells the validator which call into the script is under way, so that a
// check's worker that ends without a word is reported with its moment.
class CallRecords final : public CallWatcher {
public:
    explicit CallRecords(RecordSink& sink) : sink_(sink) {}
    void beforeCall(const HostEvent& call) override { sink_.write(encodeRecord(tag::call, callName(&call))); }
    void afterCall() override { sink_.write(encodeRecord(tag::returned, "")); }

private:
    RecordSink& sink_;
};

class KeptTrail final : public Trail {
public:
    explicit KeptTrail(std::size_t keep) : keep_(keep) {}
    void line(const std::string& text) override
    {
        lines_.push_back(text);
        if (lines_.size() > keep_)
            lines_.pop_front();
    }
    std::vector<std::string> lines() const { return {lines_.begin(), lines_.end()}; }

private:
    std::size_t keep_;
    std::deque<std::string> lines_;
};

CheckResult runBody(const Check& check, const CheckSetup& setup, Trail& trail)
{
    CheckContext context(setup, trail);
    try {
        check.run(context);
    } catch (const std::exception& error) {
        context.fail(std::string("an exception left the check: ") + error.what());
    } catch (...) {
        context.fail("an exception left the check");
    }
    return context.result();
}

// A worker for the child `id` running `body`: a fork() running it, or this
// program started again in its child mode, which runs runChild(id).
ChildEnd runIsolated(const std::string& id, const std::function<void(RecordSink&)>& body, const RunSettings& settings,
                     const std::function<bool(const char*, std::size_t)>& received)
{
    std::vector<std::string> arguments;
    if (!childrenByFork()) {
        if (!settings.childArguments)
            throw std::logic_error("no command line for the child processes of checks");
        arguments = settings.childArguments(id);
    }
    return runInWorker(body, arguments, settings.watchdogSeconds, received);
}

Status tryLoad(const std::string& library)
{
    ScriptLibrary loaded;
    return loaded.open(library);
}

void probeBody(const std::string& library, RecordSink& sink)
{
    // Loaded and left loaded: the probe's process ends without unloading it,
    // so what its static destructors do is left to the checks, which watch it.
    static ScriptLibrary probed;
    if (const Status loaded = probed.open(library); !loaded)
        sink.write(encodeRecord(tag::detail, loaded.error().message));
    sink.write(encodeRecord(tag::end, ""));
}

// Details: the layout's name and how it was learned, or "" and why not
// (and a third when the export returned null).
void learnBody(const CheckSetup& setup, RecordSink& sink)
{
    Rig rig(planOf(setup));
    bool nullExport = false;
    std::string error;
    std::string kind;
    std::string reason;
    if (const Status opened = rig.open(); !opened) {
        error = opened.error().message;
    } else {
        Emulator& emulator = rig.emulator();
        const Status started = emulator.start(rig.loaded().entry());
        const ScriptAbi* abi = emulator.host().abi();
        if (started && abi && abi->kind()) {
            kind = abiKindName(*abi->kind());
            reason = abi->learnedFrom();
        } else {
            nullExport = !started && started.error().kind == ErrorKind::notLoadable;
            error = started    ? std::string("the script's layout could not be learned")
                    : nullExport ? "load_vesk_client_script of " + setup.library + " returned null"
                                 : started.error().message;
        }
        emulator.shutdown();
    }
    sink.write(encodeRecord(tag::detail, kind));
    sink.write(encodeRecord(tag::detail, kind.empty() ? error : reason));
    if (nullExport)
        sink.write(encodeRecord(tag::detail, "export returned null"));
    sink.write(encodeRecord(tag::end, ""));
}

void checkBody(const Check& check, const CheckSetup& setup, RecordSink& sink)
{
    // A crash, an abort or an exit() of the script is reported by the child
    // itself, as what it is; the parent's watchdog covers a hang.
    if (sink.descriptor() >= 0 && fatal::available()) {
        fatalChannel = sink.descriptor();
        fatal::install(reportFatal, 0);
        fatal::arm();
    }
    ChildTrail trail(sink);
    CallRecords calls(sink);
    watchCalls(&calls);
    const CheckResult result = runBody(check, setup, trail);
    watchCalls(nullptr);
    sink.write(encodeRecord(tag::status, statusName(result.status)));
    for (const auto& detail : result.details)
        sink.write(encodeRecord(tag::detail, detail));
    sink.write(encodeRecord(tag::end, ""));
    fatal::disarm();
}

std::string describe(const ChildEnd& end, double watchdogSeconds)
{
    switch (end.how) {
    case ChildEnd::How::timedOut: {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", watchdogSeconds);
        return std::string("no end within ") + seconds + " s: the check's process was killed";
    }
    case ChildEnd::How::signalled:
        return "the check's process died of " + end.signal;
    default:
        return "the check's process ended with exit code " + std::to_string(end.exitCode) + " before finishing";
    }
}

// A child that ended inside a call into the script without its fatal watch
// saying so (an _exit(), a crash with the script's own handler or with the
// signal blocked): the script's doing, with the call.
std::string endedInCall(const ChildEnd& end, const std::string& call)
{
    if (end.how == ChildEnd::How::signalled)
        return std::string(rule::scriptCrashed.name) + ": the script's process died of " + end.signal + ", during " +
               call;
    return std::string(rule::scriptEnded.name) + ": the script ended the process with exit code " +
           std::to_string(end.exitCode) + " (exit or _exit), during " + call;
}

} // namespace

Status probeLibrary(const std::string& library, const RunSettings& settings)
{
    if (settings.inProcess || !childProcessesAvailable())
        return tryLoad(library);
    RecordReader reader(0);
    const ChildEnd end = runIsolated(
        probeChildId, [&](RecordSink& sink) { probeBody(library, sink); }, settings,
        [&](const char* bytes, std::size_t size) {
                reader.feed(bytes, size);
                return reader.finished();
            });
    if (!reader.finished())
        return fail("loading the script library " + library + " failed: " + describe(end, settings.watchdogSeconds));
    if (!reader.result().details.empty())
        return fail(reader.result().details.front());
    return Done{};
}

LearnedAbi learnAbi(const CheckSetup& setup, const RunSettings& settings)
{
    LearnedAbi learned;
    RecordReader reader(0);
    const auto collect = [&](const char* bytes, std::size_t size) {
        reader.feed(bytes, size);
        return reader.finished();
    };
    if (settings.inProcess || !childProcessesAvailable()) {
        class Collect final : public RecordSink {
        public:
            explicit Collect(std::function<bool(const char*, std::size_t)> to) : to_(std::move(to)) {}
            void write(const std::string& bytes) override { to_(bytes.data(), bytes.size()); }

        private:
            std::function<bool(const char*, std::size_t)> to_;
        } sink(collect);
        learnBody(setup, sink);
    } else {
        const ChildEnd end = runIsolated(
            learnChildId, [&](RecordSink& sink) { learnBody(setup, sink); }, settings, collect);
        if (!reader.finished()) {
            learned.error = "the script's start-up, run once before the checks, failed: " +
                            describe(end, settings.watchdogSeconds);
            return learned;
        }
    }
    const auto& details = reader.result().details;
    learned.exportReturnedNull = details.size() == 3;
    if (details.size() != 2 && details.size() != 3) {
        learned.error = "the script's start-up, run once before the checks, reported nothing usable";
        return learned;
    }
    learned.kind = abiKindNamed(details[0]);
    (learned.kind ? learned.reason : learned.error) = details[1];
    return learned;
}

bool runChild(const std::string& id, const CheckSetup& setup, RecordSink& sink)
{
    if (id == probeChildId) {
        probeBody(setup.library, sink);
        return true;
    }
    if (id == learnChildId) {
        learnBody(setup, sink);
        return true;
    }
    for (const Check& check : allChecks())
        if (id == check.id) {
            checkBody(check, setup, sink);
            return true;
        }
    return false;
}

double watchdogFor(const Check& check, const CheckSetup& setup, double watchdogSeconds)
{
    return watchdogSeconds + (check.leavesSession ? soakSecondsPerStep * setup.soakSteps : 0);
}

CheckOutcome runCheck(const Check& check, const CheckSetup& setup, const RunSettings& given)
{
    // The soak's watchdog grows with its length.
    RunSettings settings = given;
    settings.watchdogSeconds = watchdogFor(check, setup, given.watchdogSeconds);
    CheckOutcome outcome;
    outcome.check = &check;
    const auto started = std::chrono::steady_clock::now();
    if (settings.inProcess || !childProcessesAvailable()) {
        KeptTrail trail(settings.trailLines);
        outcome.result = runBody(check, setup, trail);
    } else {
        RecordReader reader(settings.trailLines);
        const ChildEnd end = runIsolated(
            check.id, [&](RecordSink& sink) { checkBody(check, setup, sink); }, settings,
            [&](const char* bytes, std::size_t size) {
                reader.feed(bytes, size);
                return reader.finished();
            });
        outcome.result = reader.result();
        if (!reader.finished()) {
            const bool timedOut = end.how == ChildEnd::How::timedOut || reader.timedOut();
            outcome.result.status = timedOut ? CheckStatus::timeout : CheckStatus::crash;
            // The cause first: what the child's fatal watch said, else how the
            // process ended, named as the script's when it was inside a call.
            auto& details = outcome.result.details;
            details.insert(details.begin(), !reader.fatal().empty() ? reader.fatal()
                                            : !timedOut && !reader.call().empty()
                                                ? endedInCall(end, reader.call())
                                                : describe(end, settings.watchdogSeconds));
            outcome.signal = reader.signal().empty() ? end.signal : reader.signal();
            outcome.lastLines.assign(reader.lastLines().begin(), reader.lastLines().end());
            std::size_t slow = 0;
            for (const auto& finding : reader.findings()) {
                if (finding.rfind(rule::slowCall.name, 0) == 0) {
                    if (slow++ == 0)
                        details.push_back("the script is slow, not hung: " + finding);
                    continue;
                }
                details.push_back("before that: " + finding);
            }
            if (slow > 1)
                details.push_back(std::to_string(slow - 1) + " more slow calls");
            if (!end.output.empty())
                details.push_back("the check's process printed: " + end.output);
            if (check.crashWarns) {
                outcome.result.details.push_back(std::string(statusName(outcome.result.status)) +
                                                 " counts as a warning here: a host never sends this");
                outcome.result.status = CheckStatus::warn;
            }
            std::error_code missing;
            if (check.leavesSession && std::filesystem::exists(setup.soakFile, missing))
                outcome.result.details.push_back("the session file " + setup.soakFile +
                                                 " holds the steps up to this point");
        }
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return outcome;
}

} // namespace vesk_host::validator
