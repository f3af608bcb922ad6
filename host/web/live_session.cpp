#include "web/live_session.h"

#include <filesystem>
#include <fstream>

#include "events/rules.h"
#include "session/session_steps.h"
#include "transcript/transcript_json.h"
#include "web/script_child.h"

namespace vesk_host::web {

struct LiveSession::ActionResult {
    enum class End { done, fatal, ended, timedOut, garbled };
    End end = End::ended;
    std::vector<Json> entries;
    std::optional<ActionFacts> facts;
    std::optional<Json> state;
    std::string result;   // of "done": "ok", "refused" or "quit"
    std::string message;  // of "done" when refused, of "fatal"
    int fatalExit = 0;
};

namespace {

std::string seconds(double value)
{
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

LiveSession::LiveSession(LiveOptions options, Broadcast& broadcast)
    : options_(std::move(options)), broadcast_(broadcast)
{
}

LiveSession::~LiveSession()
{
    stopping_ = true;
    {
        std::lock_guard<std::mutex> lock(clockMutex_);
    }
    clockWake_.notify_all();
    if (clockThread_.joinable())
        clockThread_.join();
    std::lock_guard<std::mutex> action(actionMutex_);
    if (child_.started())
        child_.kill();
}

std::optional<LiveSession::Failure> LiveSession::start()
{
    std::lock_guard<std::mutex> action(actionMutex_);
    return startLocked();
}

std::optional<LiveSession::Failure> LiveSession::startLocked()
{
    ChildSetup setup{options_.library, options_.plant, options_.positions};
    const Status started = child_.start([setup](worker::Channel& channel) {
        return runScriptChild(setup, lineReader(channel), channelWriter(channel));
    });
    ActionResult result;
    if (started)
        readAction(result, "start-up");

    std::lock_guard<std::mutex> lock(stateMutex_);
    ++generation_;
    ++actions_;
    history_.clear();
    last_ = Json::array();
    diedAt_.clear();
    const Json entries = history_.keep(result.entries, actions_);
    std::vector<std::string> header = {"recorded by vesk_host serve from the live page",
                                       "replay: vesk_host run" +
                                           (options_.plantFile.empty() ? "" : " --plant " + options_.plantFile) +
                                           " --session " + (options_.recordFile.empty() ? recordingName() : recordPath()) +
                                           (options_.scriptsGiven.empty() ? " " + options_.library
                                                                          : options_.scriptsGiven)};
    std::vector<std::string> positions;
    for (const ScriptPosition& position : options_.positions)
        positions.push_back(position.name);
    recorder_ = std::make_unique<Recorder>(header, positions);
    recordError_.clear();
    std::optional<Failure> failure;
    if (!started) {
        process_ = "failed";
        message_ = started.error().message;
        failure = Failure{3, message_};
    } else if (result.end == ActionResult::End::fatal) {
        child_.wait();
        process_ = "failed";
        message_ = result.message;
        failure = Failure{result.fatalExit, result.message};
    } else if (result.end == ActionResult::End::done) {
        process_ = "running";
        message_.clear();
        recorder_->startUp(result.facts ? *result.facts : ActionFacts{});
    } else {
        processEnded(result, "start-up");
    }
    if (result.state)
        state_ = *result.state;
    else
        state_ = Json{{"kind", "state"}, {"running", false}};
    writeRecording();
    publishUpdate(entries, true);
    return failure;
}

void LiveSession::readAction(ActionResult& result, const std::string&)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.watchdogSeconds));
    std::string line;
    for (;;) {
        switch (child_.readLine(line, deadline)) {
        case ChildProcess::Read::ended: result.end = ActionResult::End::ended; return;
        case ChildProcess::Read::timedOut: result.end = ActionResult::End::timedOut; return;
        case ChildProcess::Read::garbled: result.end = ActionResult::End::garbled; return;
        case ChildProcess::Read::line: break;
        }
        Json json = Json::parse(line, nullptr, false);
        if (json.is_discarded() || !json.is_object() || !json.contains("kind") || !json["kind"].is_string()) {
            result.end = ActionResult::End::garbled;
            return;
        }
        const std::string kind = json["kind"].get<std::string>();
        if (kind == "facts") {
            result.facts = factsFromJson(json);
            if (!result.facts) {
                result.end = ActionResult::End::garbled;
                return;
            }
        } else if (kind == "state") {
            result.state = std::move(json);
        } else if (kind == "done") {
            result.end = ActionResult::End::done;
            result.result = json.value("result", "ok");
            result.message = json.value("message", "");
            return;
        } else if (kind == "fatal") {
            result.end = ActionResult::End::fatal;
            result.fatalExit = json.value("exit", 4);
            result.message = json.value("message", "the script cannot be started");
            return;
        } else if (result.entries.size() <= maxEntriesPerAction) {
            result.entries.push_back(std::move(json));
        }
    }
}

void LiveSession::processEnded(ActionResult& result, const std::string& stepText)
{
    using End = ActionResult::End;
    const std::string during = " during " + (stepText == "start-up" ? std::string("start-up") : "\"" + stepText + "\"");
    if (result.end == End::timedOut) {
        child_.kill();
        process_ = "hung";
        message_ = std::string(rule::callTimeout.name) + ": the script did not finish" + during + " within " +
                   seconds(options_.watchdogSeconds) + " s; its process was stopped";
    } else if (result.end == End::ended) {
        const ChildEnd end = child_.wait();
        if (end.how == ChildEnd::How::signalled) {
            process_ = "crashed";
            message_ = std::string(rule::scriptCrashed.name) + ": the script crashed" + during +
                       ": its process died of " + end.signal;
        } else {
            process_ = "exited";
            message_ = std::string(rule::scriptEnded.name) + ": the script's process exited with code " +
                       std::to_string(end.exitCode) + during;
        }
    } else {
        child_.kill();
        process_ = "failed";
        message_ = "the script's process sent something unreadable" + during + "; it was stopped";
    }
    diedAt_ = stepText;
    last_ = history_.lastEntries(lastLines);
    history_.processEnded(process_, message_);
    if (result.state)
        result.state.reset();
    state_["running"] = false;
}

LiveSession::Outcome LiveSession::step(const std::string& line)
{
    if (line.size() > maxStepLine)
        return {400, "a step is at most " + std::to_string(maxStepLine) + " bytes"};
    if (line.find('\n') != std::string::npos || line.find('\0') != std::string::npos)
        return {400, "a step is one line"};
    std::lock_guard<std::mutex> action(actionMutex_);
    return runLine(line);
}

LiveSession::Outcome LiveSession::refuse(const std::string& line, const std::string& why)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (recorder_) {
        recorder_->refused(line, why);
        writeRecording();
        broadcast_.publish(
            jsonLine(Json{{"type", "status"}, {"status", statusJson()}, {"recording", recordingJson()}}));
    }
    return {400, why};
}

LiveSession::Outcome LiveSession::runLine(const std::string& line)
{
    auto parsed = parseStep(line, 0, options_.plant);
    if (!parsed)
        return refuse(line, parsed.error().message);
    if (!*parsed)
        return {400, "nothing to do: the line is empty or a comment"};
    const Step& step = **parsed;
    if (std::holds_alternative<step::Quit>(step.action))
        return refuse(line, "quit ends a session file; here, close the page or stop the server");
    if (!child_.started())
        return {409, "the script's process has ended: restart it"};

    ActionResult result;
    if (child_.send(line))
        readAction(result, step.source);

    std::lock_guard<std::mutex> lock(stateMutex_);
    ++actions_;
    const Json entries = history_.keep(result.entries, actions_);
    std::string message;
    if (result.end == ActionResult::End::done) {
        if (result.result == "refused") {
            recorder_->refused(line, result.message);
            message = result.message;
        } else {
            recorder_->step(step, result.facts ? *result.facts : ActionFacts{}, failureOf(entries));
        }
    } else {
        if (result.end == ActionResult::End::fatal)
            result.end = ActionResult::End::garbled;
        processEnded(result, step.source);
        recorder_->died(step, message_);
        message = message_;
    }
    if (result.state)
        state_ = *result.state;
    writeRecording();
    publishUpdate(entries, false);
    return {200, message};
}

LiveSession::Outcome LiveSession::restart()
{
    std::lock_guard<std::mutex> action(actionMutex_);
    if (child_.started())
        child_.kill();
    if (const auto failure = startLocked())
        return {200, failure->message};
    return {200, ""};
}

void LiveSession::setRealTime(bool on)
{
    realTime_ = on;
    if (on) {
        std::lock_guard<std::mutex> lock(clockMutex_);
        if (!clockThread_.joinable() && !stopping_)
            clockThread_ = std::thread([this] { realTimeLoop(); });
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    broadcast_.publish(
        jsonLine(Json{{"type", "status"}, {"status", statusJson()}, {"recording", recordingJson()}}));
}

void LiveSession::publishUpdate(const Json& entries, bool reset)
{
    Json update = {{"type", "update"},     {"action", actions_},         {"reset", reset},
                   {"entries", entries},   {"state", state_},            {"status", statusJson()},
                   {"recording", recordingJson()}};
    broadcast_.publish(jsonLine(update));
}

std::pair<std::string, std::uint64_t> LiveSession::fullState() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    Json full = {{"type", "full"},
                 {"action", actions_},
                 {"entries", history_.lines()},
                 {"state", state_},
                 {"status", statusJson()},
                 {"recording", recordingJson()}};
    return {jsonLine(full), broadcast_.last()};
}

Json LiveSession::statusJson() const
{
    const bool scriptRunning = state_.is_object() && state_.value("running", false);
    // One word for the header: the process's state, or "ended" when the
    // process runs but the script has been shut down.
    const std::string state = process_ == "running" && !scriptRunning ? "ended" : process_;
    return Json{{"process", process_},
                {"state", state},
                {"script_running", scriptRunning},
                {"violations", state_.is_object() ? state_.value("violations", 0) : 0},
                {"warnings", state_.is_object() ? state_.value("warnings", 0) : 0},
                {"failed_expectations", history_.failedExpectations()},
                {"events", history_.events()},
                {"rule_lines", history_.ruleLines()},
                {"message", message_},
                {"step", diedAt_},
                {"last", last_},
                {"generation", generation_},
                {"realtime", realTime_.load()},
                {"watchdog_seconds", options_.watchdogSeconds}};
}

Json LiveSession::recordingJson() const
{
    const std::string text = recorder_ ? recorder_->text() : std::string();
    std::size_t lines = 0;
    for (const char c : text)
        lines += c == '\n';
    return Json{{"file", options_.recordFile.empty() ? Json(nullptr) : Json(recordPath())},
                {"name", recordingName()},
                {"lines", lines},
                {"full", recorder_ && recorder_->full()},
                {"error", recordError_}};
}

std::string LiveSession::recordPath() const
{
    if (generation_ <= 1)
        return options_.recordFile;
    const std::filesystem::path file(options_.recordFile);
    return (file.parent_path() / (file.stem().string() + "-" + std::to_string(generation_) + file.extension().string()))
        .string();
}

void LiveSession::writeRecording()
{
    if (options_.recordFile.empty() || !recorder_)
        return;
    const std::string path = recordPath();
    const std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << recorder_->text();
        if (!file) {
            recordError_ = "cannot write " + temporary;
            return;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    recordError_ = error ? "cannot write " + path + ": " + error.message() : std::string();
}

std::string LiveSession::recording() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return recorder_ ? recorder_->text() : std::string();
}

std::string LiveSession::recordingName() const
{
    if (!options_.recordFile.empty())
        return std::filesystem::path(recordPath()).filename().string();
    return generation_ <= 1 ? "recorded.vesk" : "recorded-" + std::to_string(generation_) + ".vesk";
}

std::string LiveSession::processState() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return process_;
}

int LiveSession::failedExpectations() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return history_.failedExpectations();
}

void LiveSession::realTimeLoop()
{
    using Clock = std::chrono::steady_clock;
    auto last = Clock::now();
    bool wasOn = false;
    while (!stopping_) {
        {
            std::unique_lock<std::mutex> lock(clockMutex_);
            clockWake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stopping_.load(); });
        }
        if (stopping_)
            break;
        if (!realTime_) {
            wasOn = false;
            continue;
        }
        const auto now = Clock::now();
        if (!wasOn) {
            last = now;
            wasOn = true;
            continue;
        }
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count();
        if (elapsed < 1)
            continue;
        std::unique_lock<std::mutex> action(actionMutex_, std::try_to_lock);
        if (!action.owns_lock() || !child_.started())
            continue;
        // A clock held up (a slow action, a stopped machine) catches up by a second at most.
        if (elapsed > 1000) {
            elapsed = 1000;
            last = now;
        } else {
            last += std::chrono::milliseconds(elapsed);
        }
        runLine("advance " + std::to_string(elapsed));
    }
}

} // namespace vesk_host::web
