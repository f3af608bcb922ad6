#include "report.h"

#include <cstdio>

#include "text_util.h"

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

std::string jsonList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + jsonString(items[i]);
    return out + "]";
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

} // namespace

Counts countOutcomes(const std::vector<Outcome>& outcomes)
{
    Counts counts;
    for (const auto& outcome : outcomes)
        switch (outcome.result.status) {
        case Status::pass: ++counts.pass; break;
        case Status::warn: ++counts.warn; break;
        case Status::skip: ++counts.skip; break;
        case Status::fail: ++counts.fail; break;
        case Status::crash: ++counts.crash; break;
        case Status::timeout: ++counts.timeout; break;
        }
    return counts;
}

int exitCodeOf(const std::vector<Outcome>& outcomes, bool strict)
{
    for (const auto& outcome : outcomes)
        if (failsRun(outcome.result.status, strict))
            return 1;
    return 0;
}

std::string headerText(const RunInfo& info)
{
    std::string out = "vesk_host validate " + info.library + "\n";
    out += "  plant: " + (info.plantFile.empty() ? std::string("none (an empty plant)") : info.plantFile) + "\n";
    out += "  seed " + std::to_string(info.seed) + " (repeat with --seed " + std::to_string(info.seed) + "), soak of " +
           std::to_string(info.soakSteps) + " steps\n";
    if (info.isolated)
        out += "  each check in a child process, watchdog " + seconds(info.watchdogSeconds, "%g") + " s\n";
    else
        out += "  " + info.isolationNote + "\n";
    return out + "\n";
}

std::string outcomeText(const Outcome& outcome)
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

std::string finalLine(const std::vector<Outcome>& outcomes, bool strict, double total)
{
    const Counts counts = countOutcomes(outcomes);
    return std::string(exitCodeOf(outcomes, strict) == 0 ? "SUCCESS" : "FAILURE") + ": " +
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

std::string jsonReport(const RunInfo& info, const std::vector<Outcome>& outcomes)
{
    const Counts counts = countOutcomes(outcomes);
    const int exit = exitCodeOf(outcomes, info.strict);
    std::string out = "{\"schema\":\"vesk-host-validate\",\"schema_version\":" + std::to_string(jsonSchemaVersion);
    out += ",\"library\":" + jsonString(info.library);
    out += ",\"plant\":" + (info.plantFile.empty() ? std::string("null") : jsonString(info.plantFile));
    out += ",\"seed\":" + std::to_string(info.seed) + ",\"soak_steps\":" + std::to_string(info.soakSteps);
    out += ",\"watchdog_seconds\":" + seconds(info.watchdogSeconds, "%g");
    out += std::string(",\"isolation\":") + (info.isolated ? "\"process\"" : "\"in-process\"");
    out += std::string(",\"strict\":") + (info.strict ? "true" : "false");
    if (!info.abi.empty())
        out += ",\"abi\":" + jsonString(info.abi) + ",\"abi_reason\":" + jsonString(info.abiReason);
    out += ",\"checks\":[";
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome& outcome = outcomes[i];
        out += std::string(i ? "," : "") + "{\"id\":" + jsonString(outcome.check->id) +
               ",\"description\":" + jsonString(outcome.check->description) +
               ",\"status\":" + jsonString(statusName(outcome.result.status)) +
               ",\"seconds\":" + seconds(outcome.seconds, "%.3f") + ",\"details\":" + jsonList(outcome.result.details) +
               ",\"signal\":" + (outcome.signal.empty() ? std::string("null") : jsonString(outcome.signal)) +
               ",\"last_lines\":" + jsonList(outcome.lastLines) + "}";
    }
    out += "],\"counts\":{\"pass\":" + std::to_string(counts.pass) + ",\"warn\":" + std::to_string(counts.warn) +
           ",\"skip\":" + std::to_string(counts.skip) + ",\"fail\":" + std::to_string(counts.fail) +
           ",\"crash\":" + std::to_string(counts.crash) + ",\"timeout\":" + std::to_string(counts.timeout) + "}";
    out += std::string(",\"result\":") + (exit == 0 ? "\"SUCCESS\"" : "\"FAILURE\"") +
           ",\"exit_code\":" + std::to_string(exit) + ",\"seconds\":" + seconds(info.seconds, "%.3f") + "}\n";
    return out;
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

std::string junitReport(const RunInfo& info, const std::vector<Outcome>& outcomes)
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
        const Status status = outcome.result.status;
        const std::string first = outcome.result.details.empty() ? std::string() : outcome.result.details.front();
        std::string body = joined(outcome.result.details);
        if (!outcome.lastLines.empty())
            body += "last lines of the transcript:\n" + joined(outcome.lastLines);
        out += "    <testcase classname=\"vesk_host.validate\" name=\"" + xmlText(outcome.check->id) + "\" time=\"" +
               seconds(outcome.seconds, "%.3f") + "\">\n";
        const std::string attributes = " message=\"" + xmlText(first) + "\" type=\"" + statusName(status) + "\">";
        if (status == Status::fail || (status == Status::warn && info.strict))
            out += "      <failure" + attributes + xmlText(body) + "</failure>\n";
        else if (status == Status::crash || status == Status::timeout)
            out += "      <error" + attributes + xmlText(body) + "</error>\n";
        else if (status == Status::skip)
            out += "      <skipped message=\"" + xmlText(first) + "\"/>\n";
        if (status == Status::warn || status == Status::pass) {
            if (!body.empty())
                out += "      <system-out>" + xmlText(std::string(statusName(status)) + "\n" + body) +
                       "</system-out>\n";
        }
        out += "    </testcase>\n";
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

} // namespace vesk_host::validator
