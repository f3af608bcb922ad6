#include "emulator/script_host.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "base/text_util.h"
#include "commands/command_parser.h"
#include "events/call_names.h"
#include "traps/fatal_watch.h"
#include "traps/safe_read.h"
#include "vesk_dotted_name.h"
#include "vesk_records.h"

namespace vesk_host {

namespace {

// The word "PS" answers with on success; never a text, never handed back.
void* const loadedStatus = reinterpret_cast<void*>(static_cast<std::intptr_t>(1));

// The kind of a call, for messages about calls of one kind.
const char* kindOf(const HostEvent& event)
{
    if (std::holds_alternative<ControlDelivered>(event))
        return "control event";
    if (std::holds_alternative<RevertiveDelivered>(event))
        return "revertive";
    if (std::holds_alternative<TimerDelivered>(event))
        return "timer tick";
    return "call with that code";
}

// Room that is on the stack when small, as nearly every record is, and on
// the heap otherwise: an event costs no allocation for it.
constexpr std::size_t smallRoom = 512;

// A copy of bytes to compare after a call.
class Snapshot {
public:
    void add(const void* data, std::size_t size)
    {
        if (large_.empty() && used_ + size <= smallRoom) {
            std::memcpy(small_ + used_, data, size);
            used_ += size;
            return;
        }
        if (large_.empty())
            large_.assign(small_, used_);
        large_.append(static_cast<const char*>(data), size);
    }
    std::string_view bytes() const { return large_.empty() ? std::string_view(small_, used_) : std::string_view(large_); }
    bool operator!=(const Snapshot& other) const { return bytes() != other.bytes(); }

private:
    char small_[smallRoom];
    std::size_t used_ = 0;
    std::string large_;
};

// A zeroed record slot where the arena has none.
class LocalSlot {
public:
    explicit LocalSlot(std::size_t size)
    {
        if (size > smallRoom)
            large_.reset(new char[size]());
        else
            std::memset(small_, 0, size);
    }
    char* data() { return large_ ? large_.get() : small_; }

private:
    alignas(16) char small_[smallRoom];
    std::unique_ptr<char[]> large_;
};

std::string shownQuery(const std::optional<std::string>& query) { return query ? quoteText(*query) : "null"; }

// "the reply "21" to "SD 'x'"", or "the null reply to "RN 12 0 4"".
std::string describeReply(const HandedReply& reply)
{
    if (reply.null)
        return "the null reply to " + quoteText(reply.command);
    return "the reply " + quoteText(reply.text, 1000, reply.size) + " to " + quoteText(reply.command);
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

ScriptHost::ScriptHost(CommandContext& commands, EventBus& events, const Options& options)
    : commands_(commands),
      events_(events),
      options_(options),
      ledger_(options.memory, options.budget),
      previousGuard_(heap::setFreeGuard(heap::FreeGuard{&ScriptHost::isHostText, &ScriptHost::badFree, this}))
{
}

ScriptHost::~ScriptHost() { heap::setFreeGuard(previousGuard_); }

bool ScriptHost::isHostText(const void* block, void* host) { return static_cast<ScriptHost*>(host)->ledger_.isReply(block); }

void ScriptHost::badFree(const void* block, heap::BadFree kind, void* context)
{
    auto& host = *static_cast<ScriptHost*>(context);
    if (kind == heap::BadFree::twice) {
        host.report(rule::doubleFree, "the script freed one of its blocks a second time, during " + host.callName() +
                                          "; the host stopped the second free()");
        return;
    }
    const HandedReply* reply = host.ledger_.lookup(block);
    host.report(rule::freeOfHostText,
                "the script called free() on the host's reply " + (reply ? quoteText(reply->text) : std::string()) +
                    " to " + (reply ? quoteText(reply->command) : std::string("a command")) + ", during " +
                    host.callName() + "; a host text goes back with code 5 (the host stopped the free())");
}

std::string ScriptHost::callName() const
{
    return vesk_host::callName(call_);
}

void ScriptHost::report(const Rule& rule, std::string message, int depth)
{
    events_.emit(FindingRaised{Finding{&rule, std::move(message)}, depth});
}

template <class Body> void ScriptHost::intoScript(const HostEvent& event, Body body)
{
    events_.emit(event);
    call_ = &event;
    ++callNumber_;
    inCall_ = true;
    const auto started = std::chrono::steady_clock::now();
    fatal::callStarted(event, std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch()).count());
    const std::int64_t heapBefore = heap::scriptNet();
    if (options_.watcher)
        options_.watcher->beforeCall(event);
    // In a studio every position has a host: the one being called guards the frees.
    const heap::FreeGuard outer = heap::setFreeGuard(heap::FreeGuard{&ScriptHost::isHostText, &ScriptHost::badFree, this});
    try {
        heap::ScriptScope scope;
        body();
    } catch (const std::exception& error) {
        report(rule::scriptThrew, "an exception left the script during " + callName() + ": " + quoteText(error.what()));
    } catch (...) {
        report(rule::scriptThrew, "an exception left the script during " + callName());
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    heap::setFreeGuard(outer);
    fatal::callEnded();
    inCall_ = false;
    if (options_.watcher)
        options_.watcher->afterCall();
    if (const char* why = ledger_.memoryFellBack(); why && !fellBackSaid_) {
        fellBackSaid_ = true;
        events_.emit(HostNote{why});
    }
    if (const int foreign = foreignCalls_.exchange(0); foreign > 0)
        report(rule::callFromOtherThread,
               "the script called the host " + std::to_string(foreign) + " time(s) (the last with code " +
                   std::to_string(foreignCode_.load()) + ") from a thread other than the host's calling thread, by "
                   "the end of " + callName() + "; the host refused each such call",
               0);
    for (const HandedReply& reply : ledger_.takeMissing(callNumber_))
        report(rule::releaseMissing, describeReply(reply) + " was not handed back by the end of " + callName());
    if (milliseconds > options_.slowCallMilliseconds)
        report(rule::slowCall, callName() + " took " + std::to_string(static_cast<long long>(milliseconds)) +
                                   " ms (a call should return within " +
                                   std::to_string(static_cast<long long>(options_.slowCallMilliseconds)) + " ms)",
               0);
    if (heap::watching() && !std::holds_alternative<ScriptLoading>(event) &&
        !std::holds_alternative<ScriptDeleting>(event) && !std::holds_alternative<QueryDelivered>(event) &&
        !std::holds_alternative<AnswerHandedBack>(event))
        heapGrew(event.index(), kindOf(event), [this] { return callName(); }, rule::leakPerEvent,
                 heap::scriptNet() - heapBefore);
    // Whatever the script sends before the next call belongs to no call.
    call_ = nullptr;
    ++callNumber_;
}

void ScriptHost::heapGrew(std::size_t kind, const char* what, const std::function<std::string()>& last,
                          const Rule& rule, std::int64_t bytes)
{
    if (streaks_.size() <= kind)
        streaks_.resize(kind + 1);
    Streak& streak = streaks_[kind];
    if (bytes <= 0) {
        streak.calls = 0;
        streak.bytes = 0;
        return;
    }
    streak.bytes += bytes;
    if (++streak.calls < leakStreak || streak.reported)
        return;
    streak.reported = true;
    report(rule, std::string("each ") + what + " left the script's heap " + std::to_string(streak.bytes / streak.calls) +
                     " bytes bigger on average, " + std::to_string(streak.calls) + " in a row (" +
                     std::to_string(streak.bytes) + " bytes in all; the last: " + last() + ")",
           0);
}

void ScriptHost::hostObjectDeleted()
{
    heap::HostScope hostWork;
    report(rule::hostDeleted, "the script deleted the host object during " + callName() +
                                  "; the host owns it (it was kept, and made anew)");
}

void* ScriptHost::fromScript(void* data, int code)
{
    if (std::this_thread::get_id() != hostThread_) {
        // Nothing of the host's may be touched from here: its thread may be running it.
        foreignCode_ = code;
        ++foreignCalls_;
        return nullptr;
    }
    heap::HostScope hostWork;
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
    report(rule::unknownCode, "the script called the host with code " + std::to_string(code) + " during " + callName());
    return nullptr;
}

void* ScriptHost::command(const void* data)
{
    if (!data) {
        events_.emit(CommandSent{std::nullopt, false, Reply{}});
        report(rule::nullCommand, "a command with a null text during " + callName());
        return nullptr;
    }
    const char* bytes = static_cast<const char*>(data);
    const auto length = boundedLength(bytes);
    if (!length) {
        const std::string start(bytes, 60);
        events_.emit(CommandSent{start, true, Reply{}});
        report(rule::commandTooLong, "a command text starting " + quoteText(start) + " has no NUL within " +
                                         std::to_string(maxScriptText) + " bytes (during " + callName() + ")");
        return nullptr;
    }
    std::string text(bytes, *length);
    fatal::commandSent(text);
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
                    Finding{&rule::endOutsideShutdown, "\"AS\" came during " + callName() + ", not from the destructor"});
            ended_ = true;
        }
        Execution execution = execute(commands_, command);
        reply = replyInMode(replyMode_, *command.row, std::move(execution.reply));
        for (auto& finding : execution.findings)
            findings.push_back(Finding{finding.rule, quoteText(text) + ": " + finding.message});
    }

    void* word = nullptr;
    if (reply.kind == Reply::Kind::text || reply.kind == Reply::Kind::word) {
        word = reply.kind == Reply::Kind::text ? ledger_.handOut(reply.text, text, callNumber_)
                                               : ledger_.handOutKept(reply.text, text, callNumber_);
        // Over the memory budget: answered null, and the run stops after this action.
        if (!word)
            reply = Reply{};
    } else if (reply.kind == Reply::Kind::status) {
        word = reinterpret_cast<void*>(reply.status);
    } else if (parsed && parsed->row->handBack == HandBack::always) {
        ledger_.nullOut(text, callNumber_);
    }
    events_.emit(CommandSent{std::move(text), false, std::move(reply)});
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
            report(rule::releaseUnknown, "code 5 with the status word of \"PS\" during " + callName() +
                                             ": a status is not a text and is never handed back");
        else
            report(rule::releaseUnknown, "code 5 with a pointer this host never handed out, during " + callName());
        return;
    }
    const HandedReply& reply = check.reply;
    if (check.kind == ReleaseCheck::Kind::late) {
        // Already reported as never handed back: the one fault is not reported twice.
        events_.emit(ReplyReturned{Pointer::late, reply.text, reply.command, reply.size});
        return;
    }
    if (check.kind == ReleaseCheck::Kind::kept) {
        events_.emit(ReplyReturned{Pointer::kept, reply.text, reply.command, reply.size});
        report(rule::releaseUnknown, "code 5 with the host's answer to " + quoteText(reply.command) +
                                         ", a command whose reply is never handed back, during " + callName());
        return;
    }
    const bool twice = check.kind == ReleaseCheck::Kind::twice;
    events_.emit(ReplyReturned{twice ? Pointer::twice : Pointer::reply, reply.text, reply.command, reply.size});
    if (twice)
        report(rule::releaseTwice, describeReply(reply) +
                                       " was handed back a second time, during " + callName());
    else if (check.modified)
        report(rule::replyModified, describeReply(reply) +
                                        " came back changed to " + quoteText(check.cameBack));
}

Status ScriptHost::load(vesk_load_function entry, const std::optional<std::string>& path)
{
    destroyed_ = false;
    hostThread_ = std::this_thread::get_id();
    abi_ = makeScriptAbi(abiKind_, *this);
    abiProblem_.clear();
    if (!abi_) {
        abiProblem_ = std::string("this build of the emulator cannot drive scripts of the ") +
                      (abiKind_ ? abiKindName(*abiKind_) : "unknown") + " layout";
        return fail(ErrorKind::unsupported, abiProblem_);
    }
    intoScript(ScriptLoading{path}, [&] { script_ = abi_->callExport(entry, path ? path->c_str() : nullptr); });
    if (script_ && !abi_->mismatch().empty())
        abiProblem_ = abi_->mismatch();
    else if (script_ && !abi_->kind())
        abiProblem_ = "the script made no call during load_vesk_client_script, so its C++ layout cannot be "
                      "learned: name it with --abi msvc or --abi gnu";
    if (!abiProblem_.empty()) {
        // Calling it through the wrong table would jump anywhere: it is left as it is.
        script_ = nullptr;
        events_.emit(ScriptUncallable{abiProblem_});
        return fail(ErrorKind::unsupported, abiProblem_);
    }
    if (script_)
        return Done{};
    events_.emit(ExportReturnedNull{});
    return fail(ErrorKind::notLoadable, "load_vesk_client_script returned null");
}

void ScriptHost::deliverControl(const std::string& panel, const std::string& control, const std::string& event)
{
    // The record, its parse of the event and the texts it points at lie in
    // one arena slot where there is one (so a pointer kept past the call
    // faults later), else here.
    const std::size_t textBytes = panel.size() + control.size() + 2;
    constexpr std::size_t parsedAt = (sizeof(ControlEventRecord) + 15) / 16 * 16;
    constexpr std::size_t textsAt = parsedAt + (sizeof(DottedName) + 15) / 16 * 16;
    char* slot = textsAt + textBytes <= RecordArena::slotSize && options_.memory == MemoryKind::guarded
                     ? arena_.take("a control event")
                     : nullptr;
    std::optional<LocalSlot> local;
    if (!slot)
        slot = local.emplace(textsAt + textBytes).data();
    auto* record = new (slot) ControlEventRecord{};
    auto* parsed = new (slot + parsedAt) DottedName(event.c_str());
    char* panelText = slot + textsAt;
    char* controlText = panelText + panel.size() + 1;
    std::memcpy(panelText, panel.c_str(), panel.size() + 1);
    std::memcpy(controlText, control.c_str(), control.size() + 1);
    record->panelId = panelText;
    record->controlId = controlText;
    record->event = parsed;
    // Everything the record reaches, which the script must leave as it found it.
    const auto snapshot = [&] {
        Snapshot bytes;
        bytes.add(slot, textsAt + textBytes);
        if (parsed->buffer)
            bytes.add(parsed->buffer, std::strlen(event.c_str()) + 1);
        return bytes;
    };
    const Snapshot before = snapshot();
    const HostEvent call = ControlDelivered{panel, control, event};
    void* result = nullptr;
    intoScript(call, [&] { result = abi_->call(script_, record, VESK_CODE_CONTROL); });
    checkNull(VESK_CODE_CONTROL, call, result);
    if (snapshot() != before)
        report(rule::recordModified, "the script wrote into the record of the " + vesk_host::callName(&call));
    parsed->~DottedName();
}

void ScriptHost::deliverRevertive(std::int32_t device, std::int32_t index, const std::string& text)
{
    constexpr std::size_t textOffset = offsetof(RevertiveEventRecord, contentText);
    const std::size_t size = std::max(sizeof(RevertiveEventRecord), textOffset + text.size() + 1);
    char* slot = size <= RecordArena::slotSize && options_.memory == MemoryKind::guarded
                     ? arena_.take("a revertive")
                     : nullptr;
    std::optional<LocalSlot> local;
    if (!slot)
        slot = local.emplace(size).data();
    auto* record = new (slot) RevertiveEventRecord{};
    record->deviceNumber = device;
    record->entryIndex = index;
    std::memcpy(slot + textOffset, text.c_str(), text.size() + 1);
    Snapshot before;
    before.add(slot, size);
    const HostEvent call = RevertiveDelivered{device, index, text};
    void* result = nullptr;
    intoScript(call, [&] { result = abi_->call(script_, record, VESK_CODE_REVERTIVE); });
    checkNull(VESK_CODE_REVERTIVE, call, result);
    if (std::memcmp(slot, before.bytes().data(), size) != 0)
        report(rule::recordModified, "the script wrote into the record of the " + vesk_host::callName(&call));
}

std::optional<std::string> ScriptHost::deliverQuery(const std::optional<std::string>& query)
{
    std::optional<std::string> text;
    const std::int64_t heapBefore = heap::scriptNet();
    void* answer = askQuery(query, text);
    if (answer)
        handBackAnswer(answer);
    // A query and the hand-back of its answer leave the script's heap as they found it.
    if (heap::watching() && script_)
        heapGrew(HostEvent(QueryDelivered{}).index(), "parent query with the hand-back of its answer",
                 [&query] { return "parent query " + shownQuery(query); }, rule::leakPerQuery,
                 heap::scriptNet() - heapBefore);
    return text;
}

void* ScriptHost::askQuery(const std::optional<std::string>& query, std::optional<std::string>& text)
{
    text.reset();
    if (!script_)
        return nullptr;
    const std::string shown = shownQuery(query);
    void* answer = nullptr;
    intoScript(QueryDelivered{query}, [&] {
        answer = abi_->call(script_, query ? const_cast<char*>(query->c_str()) : nullptr, VESK_CODE_PARENT_QUERY);
    });
    if (!answer) {
        events_.emit(AnswerReceived{std::nullopt, true});
        return nullptr;
    }
    // Nothing is read before the pointer is known to be the script's block
    // where the heap is watched; the read itself never trusts the pointer.
    const auto block = heap::scriptBlock(answer);
    const bool heapKnown = heap::watching() && !ledger_.heldAnswer(answer) && !ledger_.isReply(answer);
    std::string read;
    const TextRead how =
        heapKnown && !block ? TextRead::unreadable : readScriptText(answer, block ? *block : maxScriptText, read);
    if ((heapKnown && !block) || how == TextRead::unreadable) {
        events_.emit(AnswerReceived{std::nullopt, true});
        report(rule::answerNotHeap, "the answer to the parent query " + shown +
                                        (how == TextRead::unreadable && !(heapKnown && !block)
                                             ? " points at memory that cannot be read"
                                             : " is not a block the script allocated with malloc (a static or "
                                               "stack text?)") +
                                        "; the host does not hand it back, as freeing it would crash the script",
               0);
        return nullptr;
    }
    const std::optional<std::size_t> length =
        how == TextRead::text ? std::optional<std::size_t>(read.size()) : std::nullopt;
    text = length ? read : std::string();
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
        report(rule::unterminatedAnswer,
               "the answer to the parent query " + shown + " has no NUL within " +
                   (block ? "its block of " + std::to_string(*block) + " bytes"
                          : std::to_string(maxScriptText) + " bytes"),
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
    const auto block = heap::scriptBlock(answer);
    std::string read;
    const std::string now =
        readScriptText(answer, block ? *block : maxScriptText, read) == TextRead::text ? read : std::string();
    if (now != text)
        report(rule::answerChanged, "the answer to the parent query " + query + " read " + quoteText(text) +
                                        " when it was given and " + quoteText(now) + " when it was handed back",
               0);
    ledger_.answerHandedBack(answer);
    const HostEvent call = AnswerHandedBack{query, text};
    void* result = nullptr;
    intoScript(call, [&] { result = abi_->call(script_, answer, VESK_CODE_RELEASE); });
    checkNull(VESK_CODE_RELEASE, call, result);
    if (block && heap::scriptBlock(answer))
        report(rule::answerNotFreed, "the script did not free the answer " + quoteText(text) +
                                         " to the parent query " + query + " when the host handed it back",
               0);
}

void* ScriptHost::deliverCode(int code, void* data, const std::string& shown)
{
    if (!script_)
        return nullptr;
    void* result = nullptr;
    const HostEvent call = CodeDelivered{code, shown};
    intoScript(call, [&] { result = abi_->call(script_, data, code); });
    checkNull(code, call, result);
    return result;
}

void ScriptHost::deliverTimer(std::int32_t id, std::int64_t clock)
{
    void* result = nullptr;
    const HostEvent call = TimerDelivered{id, clock};
    intoScript(call, [&] {
        result = abi_->call(script_, reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), VESK_CODE_TIMER);
    });
    checkNull(VESK_CODE_TIMER, call, result);
}

void ScriptHost::checkNull(int code, const HostEvent& call, const void* result)
{
    if (!result || code == VESK_CODE_PARENT_QUERY)
        return;
    const char* meaning = codeMeaning(code);
    report(rule::nonNullResult,
           "the script answered code " + std::to_string(code) + (meaning ? std::string(" (") + meaning + ")" : "") +
               " with a non-null word, during " + vesk_host::callName(&call),
           0);
}

void ScriptHost::unload()
{
    if (!script_)
        return;
    inShutdown_ = true;
    intoScript(ScriptDeleting{}, [&] {
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
