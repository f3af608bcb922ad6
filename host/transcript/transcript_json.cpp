#include "transcript/transcript_json.h"

#include <nlohmann/json.hpp>

#include "transcript/transcript_text.h"

namespace vesk_host {

namespace {

using Json = nlohmann::ordered_json;

Json textOrNull(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

Json object(const char* kind, int depth)
{
    Json json;
    json["kind"] = kind;
    json["depth"] = depth;
    return json;
}

Json call(const char* name)
{
    Json json = object("call", 0);
    json["call"] = name;
    return json;
}

Json codeCall(int code)
{
    Json json = object("call", 0);
    json["code"] = code;
    return json;
}

Json release(const char* pointer)
{
    Json json = object("release", 1);
    json["code"] = 5;
    json["pointer"] = pointer;
    return json;
}

Json replyField(const Reply& reply)
{
    switch (reply.kind) {
    case Reply::Kind::text:
    case Reply::Kind::word: return reply.text;
    case Reply::Kind::status: return static_cast<std::int64_t>(reply.status);
    case Reply::Kind::null: break;
    }
    return nullptr;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

struct JsonOf {
    using Out = std::optional<Json>;

    Out operator()(const ScriptLoading& e) const
    {
        Json json = call("load");
        json["path"] = textOrNull(e.path);
        return json;
    }
    Out operator()(const ControlDelivered& e) const
    {
        Json json = codeCall(2);
        json["panel"] = e.panel;
        json["control"] = e.control;
        json["event"] = e.event;
        return json;
    }
    Out operator()(const RevertiveDelivered& e) const
    {
        Json json = codeCall(1);
        json["device"] = e.device;
        json["index"] = e.index;
        json["text"] = e.text;
        return json;
    }
    Out operator()(const QueryDelivered& e) const
    {
        Json json = codeCall(3);
        json["query"] = textOrNull(e.query);
        return json;
    }
    Out operator()(const TimerDelivered& e) const
    {
        Json json = codeCall(4);
        json["timer"] = e.id;
        json["clock"] = e.clock;
        return json;
    }
    Out operator()(const CodeDelivered& e) const
    {
        Json json = codeCall(e.code);
        json["data"] = e.data;
        return json;
    }
    Out operator()(const AnswerHandedBack& e) const
    {
        Json json = codeCall(5);
        json["answer"] = e.answer;
        json["query"] = e.query;
        return json;
    }
    Out operator()(const ScriptDeleting&) const { return call("delete"); }
    Out operator()(const CommandSent& e) const
    {
        Json json = object("command", 1);
        json["code"] = 0;
        json["text"] = textOrNull(e.text);
        json["reply"] = e.unterminated ? Json(nullptr) : replyField(e.reply);
        if (e.reply.kind == Reply::Kind::status)
            json["status"] = true;
        if (e.reply.kind == Reply::Kind::word)
            json["kept"] = true;
        return json;
    }
    Out operator()(const OtherCodeSent& e) const
    {
        Json json = object("other", 1);
        json["code"] = e.code;
        return json;
    }
    Out operator()(const ReplyReturned& e) const
    {
        using Pointer = ReplyReturned::Pointer;
        switch (e.pointer) {
        case Pointer::null: return release("null");
        case Pointer::unknown: return release("unknown");
        case Pointer::kept: {
            Json json = release("kept");
            json["command"] = e.command;
            return json;
        }
        case Pointer::reply:
        case Pointer::twice:
        case Pointer::late: {
            Json json = release(e.pointer == Pointer::reply   ? "reply"
                                : e.pointer == Pointer::twice ? "returned"
                                                              : "late");
            json["text"] = e.text;
            json["command"] = e.command;
            if (e.size > e.text.size())
                json["bytes"] = e.size;  // the text is cut
            return json;
        }
        }
        return std::nullopt;
    }
    Out operator()(const AnswerReceived& e) const
    {
        Json json = object("answer", 0);
        json["code"] = 3;
        json["answer"] = e.text && e.terminated ? Json(*e.text) : e.text ? Json("") : Json(nullptr);
        return json;
    }
    Out operator()(const ExportReturnedNull&) const
    {
        Json json = object("note", 0);
        json["note"] = "export returned null";
        return json;
    }
    Out operator()(const ScriptUncallable& e) const
    {
        Json json = object("note", 0);
        json["note"] = "abi problem";
        json["problem"] = e.problem;
        return json;
    }
    Out operator()(const RevertivesDropped& e) const
    {
        Json json = object("note", 0);
        json["dropped"] = e.count;
        return json;
    }
    Out operator()(const FindingRaised& e) const
    {
        Json json = object("finding", e.depth);
        json["severity"] = severityName(e.finding.rule->severity);
        json["rule"] = e.finding.rule->name;
        json["message"] = e.finding.message;
        return json;
    }
    Out operator()(const TimerStarted&) const { return std::nullopt; }
    Out operator()(const TimerStopped&) const { return std::nullopt; }
    Out operator()(const PropertyChanged&) const { return std::nullopt; }
    Out operator()(const PanelLoaded&) const { return std::nullopt; }
    Out operator()(const StepStarted& e) const
    {
        Json json = object("action", 0);
        json["step"] = e.step;
        json["clock"] = e.clock;
        if (e.line > 0)
            json["line"] = e.line;
        return json;
    }
    Out operator()(const StepRefused& e) const
    {
        Json json = object("error", 0);
        json["line"] = e.line;
        json["message"] = e.message;
        return json;
    }
    Out operator()(const StateShown& e) const
    {
        Json json = object("show", 0);
        json["lines"] = linesOf(e.text);
        return json;
    }
    Out operator()(const ExpectationChecked& e) const
    {
        Json json = object("expect", 0);
        json["line"] = e.line;
        json["step"] = e.step;
        json["ok"] = e.ok;
        json["expected"] = e.expected;
        json["actual"] = e.actual;
        return json;
    }
    Out operator()(const RunSummary& e) const
    {
        Json json = object("summary", 0);
        json["violations"] = e.violations;
        json["warnings"] = e.warnings;
        json["expectations_met"] = e.expectationsMet;
        json["expectations_failed"] = e.expectationsFailed;
        std::vector<std::string> rules;
        for (const auto& [name, count] : e.rules)
            rules.push_back(name + "=" + std::to_string(count));
        json["rules"] = rules;
        return json;
    }
    Out operator()(const HostNote& e) const
    {
        Json json = object("note", 0);
        json["note"] = e.text;
        return json;
    }
    Out operator()(const ScriptPrinted& e) const
    {
        Json json = object("printed", 1);
        json["text"] = e.text;
        return json;
    }
};

} // namespace

std::optional<nlohmann::ordered_json> jsonOf(const HostEvent& event) { return std::visit(JsonOf{}, event); }

std::optional<nlohmann::ordered_json> jsonOf(const HostEvent& event, const Origin& origin)
{
    auto json = jsonOf(event);
    if (!json || origin.name.empty())
        return json;
    // "position" right after "kind" and "depth", where a reader looks for it.
    Json placed;
    bool put = false;
    for (auto& [key, value] : json->items()) {
        placed[key] = std::move(value);
        if (key == "depth") {
            placed["position"] = std::string(origin.name);
            put = true;
        }
    }
    if (!put)
        placed["position"] = std::string(origin.name);
    return placed;
}

std::string jsonLine(const nlohmann::ordered_json& object)
{
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

nlohmann::ordered_json schemaLine()
{
    Json json = object("schema", 0);
    json["schema"] = "vesk-host-run";
    json["schema_version"] = runSchemaVersion;
    return json;
}

std::string abiJsonLine(const std::optional<std::string>& abi, const std::string& reason)
{
    Json json = object("abi", 0);
    json["abi"] = abi ? Json(*abi) : Json(nullptr);
    json["reason"] = reason;
    return jsonLine(json);
}

std::optional<std::string> jsonLineOf(const HostEvent& event, const Origin& origin)
{
    if (const auto json = jsonOf(event, origin))
        return jsonLine(*json);
    return std::nullopt;
}

std::string schemaJsonLine() { return jsonLine(schemaLine()); }

void JsonTranscript::observeFrom(const HostEvent& event, const Origin& origin)
{
    if (auto line = jsonLineOf(event, origin))
        write_(*line);
}

} // namespace vesk_host
