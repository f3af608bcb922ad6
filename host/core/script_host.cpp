#include "script_host.h"

#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "text_util.h"
#include "vesk_dotted_name.h"
#include "vesk_records.h"

namespace vesk_host {

namespace {

// The word "PS" answers with on success; never a text, never handed back.
void* const loadedStatus = reinterpret_cast<void*>(static_cast<std::intptr_t>(1));

Entry callEntry(std::string text, std::vector<std::pair<std::string, FieldValue>> fields)
{
    Entry entry;
    entry.kind = "call";
    entry.text = "host > script  " + std::move(text);
    entry.fields = std::move(fields);
    return entry;
}

std::string bytesOf(const void* data, std::size_t size) { return std::string(static_cast<const char*>(data), size); }

} // namespace

ScriptHost::ScriptHost(CommandExecutor& executor, Transcript& transcript)
    : executor_(executor), transcript_(transcript)
{
}

ScriptHost::~ScriptHost() = default;

void ScriptHost::report(const Rule& rule, std::string message, int depth)
{
    transcript_.finding(Finding{&rule, std::move(message)}, depth);
}

void ScriptHost::intoScript(const std::string& what, Entry entry, const std::function<void()>& body)
{
    transcript_.add(std::move(entry));
    call_ = what;
    ++callNumber_;
    inCall_ = true;
    try {
        body();
    } catch (const std::exception& error) {
        report(rule::scriptThrew, "an exception left the script during " + what + ": " + quoteText(error.what()));
    } catch (...) {
        report(rule::scriptThrew, "an exception left the script during " + what);
    }
    inCall_ = false;
    for (const HandedReply* reply : ledger_.takeMissing(callNumber_))
        report(rule::releaseMissing, "the reply " + quoteText(reply->text) + " to " + quoteText(reply->command) +
                                         " was not handed back by the end of " + what);
    // Whatever the script sends before the next call belongs to no call.
    call_ = "no call (the host was not calling the script)";
    ++callNumber_;
}

void* ScriptHost::fromScript(void* data, int code)
{
    if (destroyed_)
        report(rule::callAfterDestruction,
               "the script called the host with code " + std::to_string(code) + " after its destructor had returned",
               0);
    else if (!inCall_)
        report(rule::callOutsideHandler,
               "the script called the host with code " + std::to_string(code) + " while the host was not calling it",
               0);
    if (code == VESK_CODE_COMMAND)
        return command(data);
    if (code == VESK_CODE_RELEASE) {
        release(data);
        return nullptr;
    }
    Entry entry;
    entry.kind = "other";
    entry.depth = 1;
    entry.text = "script > host  " + std::to_string(code) + "  (not a code the host takes)";
    entry.fields = {{"code", std::int64_t{code}}};
    transcript_.add(std::move(entry));
    report(rule::unknownCode, "the script called the host with code " + std::to_string(code) + " during " + call_);
    return nullptr;
}

void* ScriptHost::command(const void* data)
{
    Entry entry;
    entry.kind = "command";
    entry.depth = 1;
    if (!data) {
        entry.text = "script > host  0  null  ->  null";
        entry.fields = {{"code", std::int64_t{0}}, {"text", nullptr}, {"reply", nullptr}};
        transcript_.add(std::move(entry));
        report(rule::nullCommand, "a command with a null text during " + call_);
        return nullptr;
    }
    const char* bytes = static_cast<const char*>(data);
    const auto length = boundedLength(bytes);
    if (!length) {
        const std::string start(bytes, 60);
        entry.text = "script > host  0  " + quoteText(start) + "...  ->  null";
        entry.fields = {{"code", std::int64_t{0}}, {"text", start}, {"reply", nullptr}};
        transcript_.add(std::move(entry));
        report(rule::commandTooLong, "a command text starting " + quoteText(start) + " has no NUL within " +
                                         std::to_string(maxScriptText) + " bytes (during " + call_ + ")");
        return nullptr;
    }
    const std::string text(bytes, *length);
    std::vector<Finding> findings;
    if (ended_)
        findings.push_back(Finding{&rule::commandAfterEnd, quoteText(text) + " came after \"AS\""});

    const CommandParse parse = parseCommandText(text);
    Reply reply;
    if (!parse.ok) {
        findings.push_back(Finding{parse.rule, quoteText(text) + ": " + parse.error});
    } else {
        const CommandText& parsed = parse.command;
        if (parsed.ambiguous) {
            std::string reading;
            for (const auto& argument : parsed.texts)
                reading += (reading.empty() ? "" : ", ") + quoteText(argument);
            findings.push_back(Finding{&rule::ambiguousQuoting, quoteText(text) + " is read as " + reading});
        }
        if (parsed.letters == "AS") {
            if (!inShutdown_)
                findings.push_back(
                    Finding{&rule::endOutsideShutdown, "\"AS\" came during " + call_ + ", not from the destructor"});
            ended_ = true;
        }
        Execution execution = executor_.execute(parsed);
        reply = replyInMode(replyMode_, parsed.letters, std::move(execution.reply));
        for (auto& finding : execution.findings)
            findings.push_back(Finding{finding.rule, quoteText(text) + ": " + finding.message});
    }

    void* word = nullptr;
    std::string shown = "null";
    FieldValue replyField = nullptr;
    if (reply.kind == Reply::Kind::text) {
        word = ledger_.handOut(reply.text, text, call_, callNumber_);
        shown = quoteText(reply.text);
        replyField = reply.text;
    } else if (reply.kind == Reply::Kind::word) {
        word = ledger_.handOutKept(reply.text, text);
        shown = quoteText(reply.text) + " (never handed back)";
        replyField = reply.text;
    } else if (reply.kind == Reply::Kind::status) {
        word = reinterpret_cast<void*>(reply.status);
        shown = "status " + std::to_string(reply.status);
        replyField = std::int64_t{reply.status};
    }
    entry.text = "script > host  0  " + quoteText(text) + "  ->  " + shown;
    entry.fields = {{"code", std::int64_t{0}}, {"text", text}, {"reply", replyField}};
    if (reply.kind == Reply::Kind::status)
        entry.fields.emplace_back("status", true);
    if (reply.kind == Reply::Kind::word)
        entry.fields.emplace_back("kept", true);
    transcript_.add(std::move(entry));
    for (const auto& finding : findings)
        transcript_.finding(finding, 1);
    return word;
}

void ScriptHost::release(void* data)
{
    Entry entry;
    entry.kind = "release";
    entry.depth = 1;
    entry.fields = {{"code", std::int64_t{5}}};
    if (!data) {
        // Legal: the script hands back a null reply of "RN" as it came.
        entry.text = "script > host  5  null";
        entry.fields.emplace_back("pointer", std::string("null"));
        transcript_.add(std::move(entry));
        return;
    }
    const ReleaseCheck check = ledger_.release(data);
    if (check.kind == ReleaseCheck::Kind::unknown) {
        entry.text = "script > host  5  unknown pointer";
        entry.fields.emplace_back("pointer", std::string("unknown"));
        transcript_.add(std::move(entry));
        if (data == loadedStatus)
            report(rule::releaseUnknown, "code 5 with the status word of \"PS\" during " + call_ +
                                             ": a status is not a text and is never handed back");
        else
            report(rule::releaseUnknown, "code 5 with a pointer this host never handed out, during " + call_);
        return;
    }
    if (check.kind == ReleaseCheck::Kind::kept) {
        const HandedReply& word = *check.reply;
        entry.text = "script > host  5  " + quoteText(word.text) + " (answer to " + quoteText(word.command) +
                     ", never handed back)";
        entry.fields.emplace_back("pointer", std::string("kept"));
        entry.fields.emplace_back("command", word.command);
        transcript_.add(std::move(entry));
        report(rule::releaseUnknown, "code 5 with the host's answer to " + quoteText(word.command) +
                                         ", a command whose reply is never handed back, during " + call_);
        return;
    }
    const HandedReply& reply = *check.reply;
    const bool twice = check.kind == ReleaseCheck::Kind::twice;
    entry.text = "script > host  5  " + quoteText(reply.text) + " (reply to " + quoteText(reply.command) +
                 (twice ? ", already handed back)" : ")");
    entry.fields.emplace_back("pointer", std::string(twice ? "returned" : "reply"));
    entry.fields.emplace_back("text", reply.text);
    entry.fields.emplace_back("command", reply.command);
    transcript_.add(std::move(entry));
    if (twice)
        report(rule::releaseTwice, "the reply " + quoteText(reply.text) + " to " + quoteText(reply.command) +
                                       " was handed back a second time, during " + call_);
    else if (check.modified)
        report(rule::replyModified, "the reply " + quoteText(reply.text) + " to " + quoteText(reply.command) +
                                        " came back changed to " + quoteText(check.cameBack));
}

bool ScriptHost::load(vesk_load_function entry, const std::optional<std::string>& path)
{
    destroyed_ = false;
    abi_ = makeScriptAbi(abiKind_, *this);
    abiProblem_.clear();
    if (!abi_) {
        abiProblem_ = std::string("this build of the emulator cannot drive scripts of the ") +
                      (abiKind_ ? abiKindName(*abiKind_) : "unknown") + " layout";
        return false;
    }
    intoScript("start-up",
               callEntry("load_vesk_client_script(host, " + (path ? quoteText(*path) : std::string("null")) + ")",
                         {{"call", std::string("load")}, {"path", path ? FieldValue(*path) : FieldValue(nullptr)}}),
               [&] { script_ = abi_->callExport(entry, path ? path->c_str() : nullptr); });
    if (script_ && !abi_->mismatch().empty())
        abiProblem_ = abi_->mismatch();
    else if (script_ && !abi_->kind())
        abiProblem_ = "the script made no call during load_vesk_client_script, so its C++ layout cannot be "
                      "learned: name it with --abi msvc or --abi gnu";
    if (!abiProblem_.empty()) {
        // Calling it through the wrong table would jump anywhere: it is left as it is.
        script_ = nullptr;
        Entry stop;
        stop.kind = "note";
        stop.text = "host < script  the script cannot be called: " + abiProblem_;
        stop.fields = {{"note", std::string("abi problem")}, {"problem", abiProblem_}};
        transcript_.add(std::move(stop));
        return false;
    }
    if (script_)
        return true;
    Entry result;
    result.kind = "note";
    result.text = "host < script  load_vesk_client_script returned null";
    result.fields = {{"note", std::string("export returned null")}};
    transcript_.add(std::move(result));
    return false;
}

void ScriptHost::deliverControl(const std::string& panel, const std::string& control, const std::string& event)
{
    const std::string what = "control event " + quoteText(control) + " " + quoteText(event);
    DottedName parsed(event.c_str());
    ControlEventRecord record{};
    record.panelId = panel.c_str();
    record.controlId = control.c_str();
    record.event = &parsed;
    // Everything the record reaches, which the script must leave as it found
    // it; field by field, as padding bytes hold nothing to compare.
    const auto snapshot = [&] {
        std::string bytes = bytesOf(&record.reserved0, sizeof record.reserved0) +
                            bytesOf(&record.reserved4, sizeof record.reserved4) +
                            bytesOf(&record.panelId, sizeof record.panelId) +
                            bytesOf(&record.controlId, sizeof record.controlId) +
                            bytesOf(&record.event, sizeof record.event) + bytesOf(&parsed.name, sizeof parsed.name) +
                            bytesOf(parsed.parts, sizeof parsed.parts) + bytesOf(&parsed.value, sizeof parsed.value) +
                            bytesOf(&parsed.partCount, sizeof parsed.partCount) +
                            bytesOf(&parsed.hasValue, sizeof parsed.hasValue) +
                            bytesOf(&parsed.buffer, sizeof parsed.buffer);
        return bytes + bytesOf(panel.c_str(), panel.size() + 1) + bytesOf(control.c_str(), control.size() + 1) +
               (parsed.buffer ? bytesOf(parsed.buffer, std::strlen(event.c_str()) + 1) : std::string());
    };
    const std::string before = snapshot();
    intoScript(what,
               callEntry("2  control " + quoteText(panel) + " " + quoteText(control) + " " + quoteText(event),
                         {{"code", std::int64_t{2}}, {"panel", panel}, {"control", control}, {"event", event}}),
               [&] { abi_->call(script_, &record, VESK_CODE_CONTROL); });
    if (snapshot() != before)
        report(rule::recordModified, "the script wrote into the record of the " + what);
}

void ScriptHost::deliverRevertive(std::int32_t device, std::int32_t index, const std::string& text)
{
    constexpr std::size_t textOffset = offsetof(RevertiveEventRecord, contentText);
    std::vector<char> bytes(std::max(sizeof(RevertiveEventRecord), textOffset + text.size() + 1));
    auto* record = new (bytes.data()) RevertiveEventRecord{};
    record->deviceNumber = device;
    record->entryIndex = index;
    std::memcpy(bytes.data() + textOffset, text.c_str(), text.size() + 1);
    const std::vector<char> before = bytes;
    const std::string what = "revertive from device " + std::to_string(device) + " index " + std::to_string(index);
    intoScript(what,
               callEntry("1  revertive device " + std::to_string(device) + " index " + std::to_string(index) + " " +
                             quoteText(text),
                         {{"code", std::int64_t{1}}, {"device", std::int64_t{device}}, {"index", std::int64_t{index}},
                          {"text", text}}),
               [&] { abi_->call(script_, record, VESK_CODE_REVERTIVE); });
    if (bytes != before)
        report(rule::recordModified, "the script wrote into the record of the " + what);
}

std::optional<std::string> ScriptHost::deliverQuery(const std::optional<std::string>& query)
{
    std::optional<std::string> text;
    if (void* answer = askQuery(query, text))
        handBackAnswer(answer);
    return text;
}

void* ScriptHost::askQuery(const std::optional<std::string>& query, std::optional<std::string>& text)
{
    text.reset();
    if (!script_)
        return nullptr;
    const std::string shown = query ? quoteText(*query) : "null";
    void* answer = nullptr;
    intoScript("parent query " + shown,
               callEntry("3  query " + shown, {{"code", std::int64_t{3}},
                                               {"query", query ? FieldValue(*query) : FieldValue(nullptr)}}),
               [&] {
                   answer = abi_->call(script_, query ? const_cast<char*>(query->c_str()) : nullptr,
                                        VESK_CODE_PARENT_QUERY);
               });
    Entry entry;
    entry.kind = "answer";
    entry.fields = {{"code", std::int64_t{3}}};
    if (!answer) {
        entry.text = "host < script  3  answer null";
        entry.fields.emplace_back("answer", nullptr);
        transcript_.add(std::move(entry));
        return nullptr;
    }
    // Read within bounds: a reused pointer may be a buffer the script no longer fills.
    const auto length = boundedLength(static_cast<const char*>(answer));
    text = length ? std::string(static_cast<const char*>(answer), *length) : std::string();
    entry.text = "host < script  3  answer " + (length ? quoteText(*text) : std::string("(no NUL)"));
    entry.fields.emplace_back("answer", *text);
    transcript_.add(std::move(entry));
    if (const auto* held = ledger_.heldAnswer(answer)) {
        // Handing it back once more would make the script free it twice.
        report(rule::answerReused, "the answer to the parent query " + shown + " is the pointer of the answer to " +
                                       held->first + ", which the host still holds",
               0);
        return answer;
    }
    if (ledger_.isReply(answer)) {
        report(rule::answerReused, "the answer to the parent query " + shown + " is a reply buffer of the host", 0);
        return answer;
    }
    ledger_.answerReceived(answer, shown, *text);
    if (!length)
        report(rule::unterminatedAnswer, "the answer to the parent query " + shown + " has no NUL within " +
                                             std::to_string(maxScriptText) + " bytes",
               0);
    else if (text->empty())
        report(rule::emptyAnswer, "the parent query " + shown + " was answered with an empty text, not null", 0);
    return answer;
}

void ScriptHost::handBackAnswer(void* answer)
{
    const auto* held = ledger_.heldAnswer(answer);
    if (!held || !script_)
        return;
    const std::string query = held->first;
    const std::string text = held->second;
    const auto length = boundedLength(static_cast<const char*>(answer));
    const std::string now = length ? std::string(static_cast<const char*>(answer), *length) : std::string();
    if (now != text)
        report(rule::answerChanged, "the answer to the parent query " + query + " read " + quoteText(text) +
                                        " when it was given and " + quoteText(now) + " when it was handed back",
               0);
    ledger_.answerHandedBack(answer);
    intoScript("the hand-back of the answer to " + query,
               callEntry("5  " + quoteText(text) + " (answer to " + query + ")",
                         {{"code", std::int64_t{5}}, {"answer", text}, {"query", query}}),
               [&] { abi_->call(script_, answer, VESK_CODE_RELEASE); });
}

void* ScriptHost::deliverCode(int code, void* data, const std::string& shown)
{
    if (!script_)
        return nullptr;
    void* result = nullptr;
    intoScript("code " + std::to_string(code) + " with " + shown,
               callEntry(std::to_string(code) + "  " + shown, {{"code", std::int64_t{code}}, {"data", shown}}),
               [&] { result = abi_->call(script_, data, code); });
    if (result)
        report(rule::nonNullResult,
               "the script answered code " + std::to_string(code) + " with " + shown + " with a non-null word", 0);
    return result;
}

void ScriptHost::deliverTimer(std::int32_t id, std::int64_t clock)
{
    intoScript("timer " + std::to_string(id),
               callEntry("4  timer " + std::to_string(id) + " at " + std::to_string(clock) + " ms",
                         {{"code", std::int64_t{4}}, {"timer", std::int64_t{id}}, {"clock", std::int64_t{clock}}}),
               [&] {
                   abi_->call(script_, reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), VESK_CODE_TIMER);
               });
}

void ScriptHost::unload()
{
    if (!script_)
        return;
    inShutdown_ = true;
    intoScript("shutdown", callEntry("delete (virtual destructor)", {{"call", std::string("delete")}}), [&] {
        ScriptObject* script = script_;
        script_ = nullptr;
        abi_->destroy(script);
    });
    inShutdown_ = false;
    destroyed_ = true;
    for (const auto& kept : ledger_.takeAnswersKept())
        report(rule::answerNotHandedBack, "the host kept the answer to the parent query " + kept, 0);
    if (!ended_)
        report(rule::missingEnd, "the script's destructor did not send \"AS\"", 0);
    for (const HandedReply* reply : ledger_.takeAllMissing())
        report(rule::releaseMissing, "the reply " + quoteText(reply->text) + " to " + quoteText(reply->command) +
                                         " was never handed back",
               0);
}

} // namespace vesk_host
