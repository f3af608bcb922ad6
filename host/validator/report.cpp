#include "validator/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "base/text_util.h"

namespace vesk_host::validator {

namespace {

std::string seconds(double value, const char* format = "%.2f")
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string padded(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

} // namespace

Counts countOutcomes(const std::vector<CheckOutcome>& outcomes)
{
    Counts counts;
    for (const auto& outcome : outcomes)
        switch (outcome.result.status) {
        case CheckStatus::pass: ++counts.pass; break;
        case CheckStatus::warn: ++counts.warn; break;
        case CheckStatus::skip: ++counts.skip; break;
        case CheckStatus::fail: ++counts.fail; break;
        case CheckStatus::crash: ++counts.crash; break;
        case CheckStatus::timeout: ++counts.timeout; break;
        }
    return counts;
}

bool runPassed(const std::vector<CheckOutcome>& outcomes, bool strict)
{
    for (const auto& outcome : outcomes)
        if (failsRun(outcome.result.status, strict))
            return false;
    return true;
}

std::string headerText(const RunInfo& info)
{
    std::string out = "vesk_host validate " + info.library + "\n";
    out += "  plant: " + (info.plantFile.empty() ? std::string("none (an empty plant)") : info.plantFile) + "\n";
    out += "  seed " + std::to_string(info.seed) + " (repeat with --seed " + std::to_string(info.seed) + "), soak of " +
           std::to_string(info.soakSteps) + " steps\n";
    if (info.isolated)
        out += "  each check in a child process, watchdog " + seconds(info.watchdogSeconds, "%g") + " s" +
               (info.soakSteps > 0 ? " (the soak " + seconds(info.watchdogSeconds + soakSecondsPerStep * info.soakSteps, "%g") +
                                          " s, for its " + std::to_string(info.soakSteps) + " steps)"
                                   : std::string()) +
               "\n";
    else
        out += "  " + info.isolationNote + "\n";
    return out + "\n";
}

std::string outcomeText(const CheckOutcome& outcome)
{
    std::string out = "  " + padded(statusName(outcome.result.status), 8) + padded(outcome.check->id, 21) +
                      seconds(outcome.seconds, "%6.2f") + " s\n";
    // The table shows a long detail's start; the JSON report has it whole.
    constexpr std::size_t shown = 400;
    for (const auto& detail : outcome.result.details)
        out += "        " + (detail.size() > shown ? detail.substr(0, shown) + "..." : detail) + "\n";
    if (!outcome.lastLines.empty()) {
        out += "        last lines of the transcript:\n";
        for (const auto& line : outcome.lastLines)
            out += "          | " + line + "\n";
    }
    return out;
}

std::vector<SharedCause> sharedCauses(const std::vector<CheckOutcome>& outcomes)
{
    std::vector<SharedCause> causes;
    for (const auto& outcome : outcomes) {
        if (!failsRun(outcome.result.status, false) || outcome.result.details.empty())
            continue;
        // The same finding, however often it came in each check.
        std::string first = outcome.result.details.front();
        if (const std::size_t more = first.rfind(" (and "); more != std::string::npos && first.back() == ')')
            first.resize(more);
        auto cause = std::find_if(causes.begin(), causes.end(), [&](const SharedCause& c) { return c.finding == first; });
        if (cause == causes.end())
            causes.push_back(SharedCause{first, {outcome.check->id}});
        else
            cause->checks.push_back(outcome.check->id);
    }
    causes.erase(std::remove_if(causes.begin(), causes.end(), [](const SharedCause& c) { return c.checks.size() < 2; }),
                 causes.end());
    return causes;
}

std::string causesText(const std::vector<CheckOutcome>& outcomes)
{
    std::string out;
    for (const SharedCause& cause : sharedCauses(outcomes)) {
        out += "\n" + std::to_string(cause.checks.size()) + " checks failed with the same first finding:\n    " +
               cause.finding + "\n    (";
        for (std::size_t i = 0; i < cause.checks.size(); ++i)
            out += (i ? ", " : "") + cause.checks[i];
        out += ")\n";
    }
    return out;
}

std::string finalLine(const std::vector<CheckOutcome>& outcomes, bool strict, double total)
{
    const Counts counts = countOutcomes(outcomes);
    return std::string(runPassed(outcomes, strict) ? "SUCCESS" : "FAILURE") + ": " +
           std::to_string(counts.total()) + " checks: " + std::to_string(counts.pass) + " passed, " +
           std::to_string(counts.warn) + " warned, " + std::to_string(counts.skip) + " skipped, " +
           std::to_string(counts.fail) + " failed, " + std::to_string(counts.crash) + " crashed, " +
           std::to_string(counts.timeout) + " timed out (" + seconds(total) + " s)\n";
}

std::string listText(const std::vector<const Check*>& checks)
{
    std::string out;
    for (const Check* check : checks)
        out += padded(check->id, 21) + check->description + "\n";
    return out;
}

std::string jsonReport(const RunInfo& info, const std::vector<CheckOutcome>& outcomes)
{
    using Json = nlohmann::ordered_json;
    const Counts counts = countOutcomes(outcomes);
    Json report;
    report["schema"] = "vesk-host-validate";
    report["schema_version"] = jsonSchemaVersion;
    report["library"] = info.library;
    report["plant"] = info.plantFile.empty() ? Json(nullptr) : Json(info.plantFile);
    report["seed"] = info.seed;
    report["soak_steps"] = info.soakSteps;
    report["watchdog_seconds"] = info.watchdogSeconds;
    report["isolation"] = info.isolated ? "process" : "in-process";
    report["strict"] = info.strict;
    if (!info.abi.empty()) {
        report["abi"] = info.abi;
        report["abi_reason"] = info.abiReason;
    }
    Json checks = Json::array();
    for (const CheckOutcome& outcome : outcomes) {
        Json check;
        check["id"] = outcome.check->id;
        check["description"] = outcome.check->description;
        check["status"] = statusName(outcome.result.status);
        check["seconds"] = std::round(outcome.seconds * 1000) / 1000;
        check["details"] = outcome.result.details;
        check["signal"] = outcome.signal.empty() ? Json(nullptr) : Json(outcome.signal);
        check["last_lines"] = outcome.lastLines;
        checks.push_back(std::move(check));
    }
    report["checks"] = std::move(checks);
    Json causes = Json::array();
    for (const SharedCause& cause : sharedCauses(outcomes))
        causes.push_back(Json{{"finding", cause.finding}, {"checks", cause.checks}});
    report["causes"] = std::move(causes);
    report["counts"] = {{"pass", counts.pass}, {"warn", counts.warn},   {"skip", counts.skip},
                        {"fail", counts.fail}, {"crash", counts.crash}, {"timeout", counts.timeout}};
    report["result"] = runPassed(outcomes, info.strict) ? "SUCCESS" : "FAILURE";
    report["exit_code"] = info.exitCode;
    report["seconds"] = std::round(info.seconds * 1000) / 1000;
    return report.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string xmlText(const std::string& text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\n':
        case '\t': out += c; break;
        default:
            if (byte < 0x20 || byte > 0x7e) {
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string junitReport(const RunInfo& info, const std::vector<CheckOutcome>& outcomes)
{
    const Counts counts = countOutcomes(outcomes);
    const int failures = counts.fail + (info.strict ? counts.warn : 0);
    const int errors = counts.crash + counts.timeout;
    const std::string totals = " tests=\"" + std::to_string(counts.total()) + "\" failures=\"" +
                               std::to_string(failures) + "\" errors=\"" + std::to_string(errors) +
                               "\" skipped=\"" + std::to_string(counts.skip) + "\" time=\"" +
                               seconds(info.seconds, "%.3f") + "\"";
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"vesk_host validate\"" + totals +
                      ">\n  <testsuite name=\"" + xmlText("vesk_host validate " + info.library) + "\"" + totals +
                      ">\n    <properties>\n";
    const std::vector<std::pair<std::string, std::string>> properties = {
        {"library", info.library},
        {"plant", info.plantFile},
        {"seed", std::to_string(info.seed)},
        {"soak_steps", std::to_string(info.soakSteps)},
        {"isolation", info.isolated ? "process" : "in-process"},
        {"json_schema_version", std::to_string(jsonSchemaVersion)},
    };
    for (const auto& [name, value] : properties)
        out += "      <property name=\"" + name + "\" value=\"" + xmlText(value) + "\"/>\n";
    out += "    </properties>\n";
    for (const auto& outcome : outcomes) {
        const CheckStatus status = outcome.result.status;
        const std::string first = outcome.result.details.empty() ? std::string() : outcome.result.details.front();
        std::string body = joined(outcome.result.details);
        if (!outcome.lastLines.empty())
            body += "last lines of the transcript:\n" + joined(outcome.lastLines);
        out += "    <testcase classname=\"vesk_host.validate\" name=\"" + xmlText(outcome.check->id) + "\" time=\"" +
               seconds(outcome.seconds, "%.3f") + "\">\n";
        const std::string attributes = " message=\"" + xmlText(first) + "\" type=\"" + statusName(status) + "\">";
        if (status == CheckStatus::fail || (status == CheckStatus::warn && info.strict))
            out += "      <failure" + attributes + xmlText(body) + "</failure>\n";
        else if (status == CheckStatus::crash || status == CheckStatus::timeout)
            out += "      <error" + attributes + xmlText(body) + "</error>\n";
        else if (status == CheckStatus::skip)
            out += "      <skipped message=\"" + xmlText(first) + "\"/>\n";
        if (status == CheckStatus::warn || status == CheckStatus::pass) {
            if (!body.empty())
                out += "      <system-out>" + xmlText(std::string(statusName(status)) + "\n" + body) +
                       "</system-out>\n";
        }
        out += "    </testcase>\n";
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

} // namespace vesk_host::validator
