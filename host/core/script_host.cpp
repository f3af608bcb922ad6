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

std::string bytesOf(const void* data, std::size_t size) { return std::string(static_cast<const char*>(data), size); }

std::string shownQuery(const std::optional<std::string>& query) { return query ? quoteText(*query) : "null"; }

// "the reply "21" to "SD 'x'"", or "the null reply to "RN 12 0 4"".
std::string describeReply(const HandedReply& reply)
{
    if (reply.null)
        return "the null reply to " + quoteText(reply.command);
    return "the reply " + quoteText(reply.text) + " to " + quoteText(reply.command);
}

// What the script received with each code, for messages about its result.
const char* codeMeaning(int code)
{
    switch (code) {
    case VESK_CODE_REVERTIVE: return "a revertive";
    case VESK_CODE_CONTROL: return "a control event";
    case VESK_CODE_TIMER: return "a timer tick";
    case VESK_CODE_RELEASE: return "a hand-back";
    default: return nullptr;
    }
}

} // namespace

ScriptHost::ScriptHost(CommandContext& commands, EventBus& events, MemoryKind memory)
    : commands_(commands), events_(events), ledger_(memory)
{
}

ScriptHost::~ScriptHost() = default;

void ScriptHost::report(const Rule& rule, std::string message, int depth)
{
    events_.emit(FindingRaised{Finding{&rule, std::move(message)}, depth});
}

void ScriptHost::intoScript(const std::string& what, const HostEvent& event, const std::function<void()>& body)
{
    events_.emit(event);
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
    for (const HandedReply& reply : ledger_.takeMissing(callNumber_))
        report(rule::releaseMissing, describeReply(reply) + " was not handed back by the end of " + what);
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
    events_.emit(OtherCodeSent{code});
    report(rule::unknownCode, "the script called the host with code " + std::to_string(code) + " during " + call_);
    return nullptr;
}

void* ScriptHost::command(const void* data)
{
    if (!data) {
        events_.emit(CommandSent{std::nullopt, false, Reply{}});
        report(rule::nullCommand, "a command with a null text during " + call_);
        return nullptr;
    }
    const char* bytes = static_cast<const char*>(data);
    const auto length = boundedLength(bytes);
    if (!length) {
        const std::string start(bytes, 60);
        events_.emit(CommandSent{start, true, Reply{}});
        report(rule::commandTooLong, "a command text starting " + quoteText(start) + " has no NUL within " +
                                         std::to_string(maxScriptText) + " bytes (during " + call_ + ")");
        return nullptr;
    }
    const std::string text(bytes, *length);
    std::vector<Finding> findings;
    if (ended_)
        findings.push_back(Finding{&rule::commandAfterEnd, quoteText(text) + " came after \"AS\""});

    Reply reply;
    auto parsed = parseCommand(text);
    if (!parsed) {
        findings.push_back(Finding{parsed.error().rule, quoteText(text) + ": " + parsed.error().message});
    } else {
        const ParsedCommand& command = *parsed;
        if (command.ambiguous) {
            std::string reading;
            for (const auto& argument : command.texts)
                reading += (reading.empty() ? "" : ", ") + quoteText(argument);
            findings.push_back(Finding{&rule::ambiguousQuoting, quoteText(text) + " is read as " + reading});
        }
        if (command.row->handler == commands::endScript) {
            if (!inShutdown_)
                findings.push_back(
                    Finding{&rule::endOutsideShutdown, "\"AS\" came during " + call_ + ", not from the destructor"});
            ended_ = true;
        }
        Execution execution = execute(commands_, command);
        reply = replyInMode(replyMode_, *command.row, std::move(execution.reply));
        for (auto& finding : execution.findings)
            findings.push_back(Finding{finding.rule, quoteText(text) + ": " + finding.message});
    }

    void* word = nullptr;
    if (reply.kind == Reply::Kind::text)
        word = ledger_.handOut(reply.text, text, call_, callNumber_);
    else if (reply.kind == Reply::Kind::word)
        word = ledger_.handOutKept(reply.text, text, callNumber_);
    else if (reply.kind == Reply::Kind::status)
        word = reinterpret_cast<void*>(reply.status);
    else if (parsed && parsed->row->handBack == HandBack::always)
        ledger_.nullOut(text, call_, callNumber_);
    events_.emit(CommandSent{text, false, std::move(reply)});
    for (auto& finding : findings)
        events_.emit(FindingRaised{std::move(finding), 1});
    return word;
}

void ScriptHost::release(void* data)
{
    using Pointer = ReplyReturned::Pointer;
    if (!data) {
        // Legal, and required for the null reply of "RN": the script hands it back as it came.
        ledger_.releaseNull();
        events_.emit(ReplyReturned{Pointer::null, {}, {}});
        return;
    }
    const ReleaseCheck check = ledger_.release(data);
    if (check.kind == ReleaseCheck::Kind::unknown) {
        events_.emit(ReplyReturned{Pointer::unknown, {}, {}});
        if (data == loadedStatus)
            report(rule::releaseUnknown, "code 5 with the status word of \"PS\" during " + call_ +
                                             ": a status is not a text and is never handed back");
        else
            report(rule::releaseUnknown, "code 5 with a pointer this host never handed out, during " + call_);
        return;
    }
    const HandedReply& reply = check.reply;
    if (check.kind == ReleaseCheck::Kind::late) {
        // Already reported as never handed back: the one fault is not reported twice.
        events_.emit(ReplyReturned{Pointer::late, reply.text, reply.command});
        return;
    }
    if (check.kind == ReleaseCheck::Kind::kept) {
        events_.emit(ReplyReturned{Pointer::kept, reply.text, reply.command});
        report(rule::releaseUnknown, "code 5 with the host's answer to " + quoteText(reply.command) +
                                         ", a command whose reply is never handed back, during " + call_);
        return;
    }
    const bool twice = check.kind == ReleaseCheck::Kind::twice;
    events_.emit(ReplyReturned{twice ? Pointer::twice : Pointer::reply, reply.text, reply.command});
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
    intoScript("start-up", ScriptLoading{path},
               [&] { script_ = abi_->callExport(entry, path ? path->c_str() : nullptr); });
    if (script_ && !abi_->mismatch().empty())
        abiProblem_ = abi_->mismatch();
    else if (script_ && !abi_->kind())
        abiProblem_ = "the script made no call during load_vesk_client_script, so its C++ layout cannot be "
                      "learned: name it with --abi msvc or --abi gnu";
    if (!abiProblem_.empty()) {
        // Calling it through the wrong table would jump anywhere: it is left as it is.
        script_ = nullptr;
        events_.emit(ScriptUncallable{abiProblem_});
        return false;
    }
    if (script_)
        return true;
    events_.emit(ExportReturnedNull{});
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
    void* result = nullptr;
    intoScript(what, ControlDelivered{panel, control, event},
               [&] { result = abi_->call(script_, &record, VESK_CODE_CONTROL); });
    checkNull(VESK_CODE_CONTROL, what, result);
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
    void* result = nullptr;
    intoScript(what, RevertiveDelivered{device, index, text},
               [&] { result = abi_->call(script_, record, VESK_CODE_REVERTIVE); });
    checkNull(VESK_CODE_REVERTIVE, what, result);
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
    const std::string shown = shownQuery(query);
    void* answer = nullptr;
    intoScript("parent query " + shown, QueryDelivered{query}, [&] {
        answer = abi_->call(script_, query ? const_cast<char*>(query->c_str()) : nullptr, VESK_CODE_PARENT_QUERY);
    });
    if (!answer) {
        events_.emit(AnswerReceived{std::nullopt, true});
        return nullptr;
    }
    // Read within bounds: a reused pointer may be a buffer the script no longer fills.
    const auto length = boundedLength(static_cast<const char*>(answer));
    text = length ? std::string(static_cast<const char*>(answer), *length) : std::string();
    events_.emit(AnswerReceived{text, length.has_value()});
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
    const std::string what = "the hand-back of the answer to " + query;
    void* result = nullptr;
    intoScript(what, AnswerHandedBack{query, text}, [&] { result = abi_->call(script_, answer, VESK_CODE_RELEASE); });
    checkNull(VESK_CODE_RELEASE, what, result);
}

void* ScriptHost::deliverCode(int code, void* data, const std::string& shown)
{
    if (!script_)
        return nullptr;
    void* result = nullptr;
    const std::string what = "code " + std::to_string(code) + " with " + shown;
    intoScript(what, CodeDelivered{code, shown}, [&] { result = abi_->call(script_, data, code); });
    checkNull(code, what, result);
    return result;
}

void ScriptHost::deliverTimer(std::int32_t id, std::int64_t clock)
{
    const std::string what = "timer " + std::to_string(id);
    void* result = nullptr;
    intoScript(what, TimerDelivered{id, clock}, [&] {
        result = abi_->call(script_, reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), VESK_CODE_TIMER);
    });
    checkNull(VESK_CODE_TIMER, what, result);
}

void ScriptHost::checkNull(int code, const std::string& what, const void* result)
{
    if (!result || code == VESK_CODE_PARENT_QUERY)
        return;
    const char* meaning = codeMeaning(code);
    report(rule::nonNullResult,
           "the script answered code " + std::to_string(code) + (meaning ? std::string(" (") + meaning + ")" : "") +
               " with a non-null word, during " + what,
           0);
}

void ScriptHost::unload()
{
    if (!script_)
        return;
    inShutdown_ = true;
    intoScript("shutdown", ScriptDeleting{}, [&] {
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
    for (const HandedReply& reply : ledger_.takeAllMissing())
        report(rule::releaseMissing, describeReply(reply) + " was never handed back", 0);
}

} // namespace vesk_host
