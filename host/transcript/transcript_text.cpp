#include "transcript/transcript_text.h"

#include "base/text_util.h"

namespace vesk_host {

namespace {

std::string shownOrNull(const std::optional<std::string>& text) { return text ? quoteText(*text) : "null"; }

std::string replyShown(const Reply& reply)
{
    switch (reply.kind) {
    case Reply::Kind::text: return quoteText(reply.text);
    case Reply::Kind::word: return quoteText(reply.text) + " (never handed back)";
    case Reply::Kind::status: return "status " + std::to_string(reply.status);
    case Reply::Kind::null: break;
    }
    return "null";
}

struct LineOf {
    using Line = std::optional<TranscriptLine>;
    static Line host(std::string text) { return TranscriptLine{0, std::move(text)}; }
    static Line call(const std::string& text) { return host("host > script  " + text); }
    static Line script(const std::string& text) { return TranscriptLine{1, "script > host  " + text}; }

    Line operator()(const ScriptLoading& e) const
    {
        return call("load_vesk_client_script(host, " + shownOrNull(e.path) + ")");
    }
    Line operator()(const ControlDelivered& e) const
    {
        return call("2  control " + quoteText(e.panel) + " " + quoteText(e.control) + " " + quoteText(e.event));
    }
    Line operator()(const RevertiveDelivered& e) const
    {
        return call("1  revertive device " + std::to_string(e.device) + " index " + std::to_string(e.index) + " " +
                    quoteText(e.text));
    }
    Line operator()(const QueryDelivered& e) const { return call("3  query " + shownOrNull(e.query)); }
    Line operator()(const TimerDelivered& e) const
    {
        return call("4  timer " + std::to_string(e.id) + " at " + std::to_string(e.clock) + " ms");
    }
    Line operator()(const CodeDelivered& e) const { return call(std::to_string(e.code) + "  " + e.data); }
    Line operator()(const AnswerHandedBack& e) const
    {
        return call("5  " + quoteText(e.answer) + " (answer to " + e.query + ")");
    }
    Line operator()(const ScriptDeleting&) const { return call("delete (virtual destructor)"); }
    Line operator()(const CommandSent& e) const
    {
        if (!e.text)
            return script("0  null  ->  null");
        if (e.unterminated)
            return script("0  " + quoteText(*e.text) + "...  ->  null");
        return script("0  " + quoteText(*e.text) + "  ->  " + replyShown(e.reply));
    }
    Line operator()(const OtherCodeSent& e) const
    {
        return script(std::to_string(e.code) + "  (not a code the host takes)");
    }
    Line operator()(const ReplyReturned& e) const
    {
        using Pointer = ReplyReturned::Pointer;
        switch (e.pointer) {
        case Pointer::null: return script("5  null");
        case Pointer::unknown: return script("5  unknown pointer");
        case Pointer::kept:
            return script("5  " + quoteText(e.text, 1000, e.size) + " (answer to " + quoteText(e.command) +
                          ", never handed back)");
        case Pointer::reply:
            return script("5  " + quoteText(e.text, 1000, e.size) + " (reply to " + quoteText(e.command) + ")");
        case Pointer::twice:
            return script("5  " + quoteText(e.text, 1000, e.size) + " (reply to " + quoteText(e.command) +
                          ", already handed back)");
        case Pointer::late:
            return script("5  " + quoteText(e.text, 1000, e.size) + " (reply to " + quoteText(e.command) +
                          ", after its call had ended)");
        }
        return std::nullopt;
    }
    Line operator()(const AnswerReceived& e) const
    {
        if (!e.text)
            return host("host < script  3  answer null");
        return host("host < script  3  answer " + (e.terminated ? quoteText(*e.text) : std::string("(no NUL)")));
    }
    Line operator()(const ExportReturnedNull&) const
    {
        return host("host < script  load_vesk_client_script returned null");
    }
    Line operator()(const ScriptUncallable& e) const
    {
        return host("host < script  the script cannot be called: " + e.problem);
    }
    Line operator()(const RevertivesDropped& e) const
    {
        return host("-- " + std::to_string(e.count) + " queued revertive(s) dropped: the script has ended");
    }
    Line operator()(const FindingRaised& e) const
    {
        const bool violation = e.finding.rule->severity == Severity::violation;
        return TranscriptLine{e.depth, std::string(violation ? "!! VIOLATION " : "!! warning ") +
                                           e.finding.rule->name + ": " + e.finding.message};
    }
    Line operator()(const TimerStarted&) const { return std::nullopt; }
    Line operator()(const TimerStopped&) const { return std::nullopt; }
    Line operator()(const PropertyChanged&) const { return std::nullopt; }
    Line operator()(const PanelLoaded&) const { return std::nullopt; }
    Line operator()(const StepStarted& e) const
    {
        return host("== " + (e.line > 0 ? "line " + std::to_string(e.line) + ": " : std::string()) + e.step);
    }
    Line operator()(const StepRefused& e) const
    {
        return host("!! session error, line " + std::to_string(e.line) + ": " + e.message);
    }
    Line operator()(const StateShown& e) const { return host(e.text); }
    Line operator()(const ExpectationChecked& e) const
    {
        std::string text = std::string(e.ok ? "ok    " : "FAIL  ") + "line " + std::to_string(e.line) + ": " + e.step;
        if (!e.ok)
            text += "\n      expected: " + e.expected + "\n      actual:   " + e.actual;
        return host(std::move(text));
    }
    Line operator()(const RunSummary& e) const
    {
        std::string text = "== summary: " + std::to_string(e.violations) + " violation(s), " +
                           std::to_string(e.warnings) + " warning(s); " + std::to_string(e.expectationsMet) +
                           " expectation(s) met, " + std::to_string(e.expectationsFailed) + " failed";
        for (const auto& [name, count] : e.rules)
            text += "\n   " + name + ": " + std::to_string(count);
        return host(std::move(text));
    }
    Line operator()(const HostNote& e) const { return host("-- note: " + e.text); }
    Line operator()(const ScriptPrinted& e) const
    {
        // Each line it printed, marked as the script's own; a last line without its line break too.
        std::string text;
        std::size_t start = 0;
        while (start < e.text.size()) {
            const std::size_t end = e.text.find('\n', start);
            const std::size_t stop = end == std::string::npos ? e.text.size() : end;
            if (!text.empty())
                text += '\n';
            text += "script printed  " + e.text.substr(start, stop - start);
            start = stop + 1;
        }
        return TranscriptLine{1, std::move(text)};
    }
};

} // namespace

std::optional<TranscriptLine> transcriptLine(const HostEvent& event) { return std::visit(LineOf{}, event); }

std::string renderText(const TranscriptLine& line, std::string_view position)
{
    std::string indent(static_cast<std::size_t>(line.depth) * 2, ' ');
    if (!position.empty())
        indent.insert(0, "@" + std::string(position) + " ");
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.text.find('\n', start);
        out += indent;
        out.append(line.text, start, end == std::string::npos ? std::string::npos : end - start);
        out += '\n';
        if (end == std::string::npos)
            return out;
        start = end + 1;
    }
}

void TextTranscript::observeFrom(const HostEvent& event, const Origin& origin)
{
    if (const auto line = transcriptLine(event))
        write_(renderText(*line, origin.name));
}

} // namespace vesk_host
