#include "transcript.h"

#include "text_util.h"

namespace vesk_host {

void Transcript::addSink(Sink sink) { sinks_.push_back(std::move(sink)); }

void Transcript::add(Entry entry)
{
    for (const auto& sink : sinks_)
        sink(entry);
}

void Transcript::finding(const Finding& finding, int depth)
{
    const bool violation = finding.rule->severity == Severity::violation;
    (violation ? violations_ : warnings_) += 1;
    findings_.push_back(finding);
    Entry entry;
    entry.kind = "finding";
    entry.depth = depth;
    entry.text = std::string(violation ? "!! VIOLATION " : "!! warning ") + finding.rule->name + ": " + finding.message;
    entry.fields = {{"severity", std::string(severityName(finding.rule->severity))},
                    {"rule", std::string(finding.rule->name)},
                    {"message", finding.message}};
    add(std::move(entry));
}

Entry showEntry(const std::string& text)
{
    Entry entry;
    entry.kind = "show";
    entry.text = text;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    entry.fields = {{"lines", std::move(lines)}};
    return entry;
}

std::string renderText(const Entry& entry)
{
    const std::string indent(static_cast<std::size_t>(entry.depth) * 2, ' ');
    std::string out;
    std::size_t start = 0;
    while (start <= entry.text.size()) {
        const std::size_t end = entry.text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? entry.text.size() : end;
        out += indent;
        out.append(entry.text, start, stop - start);
        out += '\n';
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return out;
}

namespace {

struct JsonValueWriter {
    std::string& out;
    void operator()(std::nullptr_t) const { out += "null"; }
    void operator()(bool value) const { out += value ? "true" : "false"; }
    void operator()(std::int64_t value) const { out += std::to_string(value); }
    void operator()(const std::string& value) const { out += jsonString(value); }
    void operator()(const std::vector<std::string>& values) const
    {
        out += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i)
                out += ',';
            out += jsonString(values[i]);
        }
        out += ']';
    }
};

} // namespace

std::string renderJson(const Entry& entry)
{
    std::string out = "{\"kind\":" + jsonString(entry.kind) + ",\"depth\":" + std::to_string(entry.depth);
    for (const auto& [key, value] : entry.fields) {
        out += ',';
        out += jsonString(key);
        out += ':';
        std::visit(JsonValueWriter{out}, value);
    }
    out += "}\n";
    return out;
}

} // namespace vesk_host
