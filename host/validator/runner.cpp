#include "runner.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>

#include "channel.h"
#include "isolation.h"
#include "loader.h"

namespace vesk_host::validator {

namespace {

class ChildTrail final : public Trail {
public:
    explicit ChildTrail(RecordSink& sink) : sink_(sink) {}
    void line(const std::string& text) override { sink_.write(encodeRecord(tag::line, text)); }

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

} // namespace

std::vector<const Check*> selectChecks(const std::optional<std::regex>& only, const std::optional<std::regex>& skip)
{
    std::vector<const Check*> chosen;
    for (const Check& check : allChecks()) {
        if (only && !std::regex_search(check.id, *only))
            continue;
        if (skip && std::regex_search(check.id, *skip))
            continue;
        chosen.push_back(&check);
    }
    return chosen;
}

Status probeLibrary(const std::string& library, const RunSettings& settings)
{
    if (settings.inProcess || !childProcessesAvailable()) {
        ScriptLibrary loaded;
        return loaded.open(library);
    }
    RecordReader reader(0);
    const ChildEnd end = runInChild(
        [&](RecordSink& sink) {
            ScriptLibrary loaded;
            if (const Status opened = loaded.open(library); !opened)
                sink.write(encodeRecord(tag::detail, opened.error().message));
            sink.write(encodeRecord(tag::end, ""));
        },
        settings.watchdogSeconds, [&](const char* bytes, std::size_t size) {
            reader.feed(bytes, size);
            return reader.finished();
        });
    if (!reader.finished())
        return fail("loading the script library " + library + " failed: " + describe(end, settings.watchdogSeconds));
    if (!reader.result().details.empty())
        return fail(reader.result().details.front());
    return Done{};
}

CheckOutcome runCheck(const Check& check, const CheckSetup& setup, const RunSettings& settings)
{
    CheckOutcome outcome;
    outcome.check = &check;
    const auto started = std::chrono::steady_clock::now();
    if (settings.inProcess || !childProcessesAvailable()) {
        KeptTrail trail(settings.trailLines);
        outcome.result = runBody(check, setup, trail);
    } else {
        RecordReader reader(settings.trailLines);
        const ChildEnd end = runInChild(
            [&](RecordSink& sink) {
                ChildTrail trail(sink);
                const CheckResult result = runBody(check, setup, trail);
                sink.write(encodeRecord(tag::status, statusName(result.status)));
                for (const auto& detail : result.details)
                    sink.write(encodeRecord(tag::detail, detail));
                sink.write(encodeRecord(tag::end, ""));
            },
            settings.watchdogSeconds, [&](const char* bytes, std::size_t size) {
                reader.feed(bytes, size);
                return reader.finished();
            });
        outcome.result = reader.result();
        if (!reader.finished()) {
            outcome.result.status = end.how == ChildEnd::How::timedOut ? CheckStatus::timeout : CheckStatus::crash;
            outcome.result.details.insert(outcome.result.details.begin(), describe(end, settings.watchdogSeconds));
            outcome.signal = end.signal;
            outcome.lastLines.assign(reader.lastLines().begin(), reader.lastLines().end());
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
