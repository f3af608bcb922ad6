// The host side of the interface: the emulator's vesk_client_callback.
//
// It takes the script's commands (code 0) and hand-backs (code 5), runs
// every call into the script (the export, events, the destructor) as one
// "call" for the release rule, tells every call in both directions to the
// event bus, and reports every broken rule there. It never calls the script
// from inside a command: what commands cause waits in the revertive queue.
#ifndef VESK_HOST_SCRIPT_HOST_H
#define VESK_HOST_SCRIPT_HOST_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "command_executor.h"
#include "host_events.h"
#include "ledger.h"
#include "reply_modes.h"
#include "script_abi.h"
#include "vesk_client_callback.h"

namespace vesk_host {

class ScriptHost final : public ScriptAbi::Host {
public:
    // Both must outlive the host. Replies live in `memory`.
    ScriptHost(CommandContext& commands, EventBus& events, MemoryKind memory = MemoryKind::guarded);
    ~ScriptHost();

    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // The script's calls into the host, through whatever table the ABI layer gave it.
    void* fromScript(void* data, int code) override;

    // Calls the export with this host and `path` (nothing: a null path):
    // the script's start-up. False when the export returned null.
    bool load(vesk_load_function entry, const std::optional<std::string>& path);
    void deliverControl(const std::string& panel, const std::string& control, const std::string& event);
    void deliverRevertive(std::int32_t device, std::int32_t index, const std::string& text);
    // The answer as read, or nothing when the script answered null. A
    // non-null answer is handed back to the script with code 5.
    std::optional<std::string> deliverQuery(const std::optional<std::string>& query);
    // A parent query whose answer the host holds until handBackAnswer:
    // returns the answer (null or not) and sets `text` to what it read.
    void* askQuery(const std::optional<std::string>& query, std::optional<std::string>& text);
    // Hands a held answer back with code 5; pointers the host does not hold
    // (an answer already handed back, a reused one) are never handed back.
    void handBackAnswer(void* answer);
    void deliverTimer(std::int32_t id, std::int64_t clock);
    // Any code with any data word (described by `shown`); returns what the
    // script answered, which must be null. Only a running script is called.
    // Parent queries go through askQuery, whose answers are held and handed back.
    void* deliverCode(int code, void* data, const std::string& shown);
    // Ends the script through its virtual destructor.
    void unload();

    // How the script's commands are answered from now on.
    void setReplyMode(ReplyMode mode) { replyMode_ = mode; }
    // The layout the next load uses (nothing: learn it from the script's first call).
    void setAbi(std::optional<AbiKind> kind) { abiKind_ = kind; }
    // The layout of the last load, once known; null before any load.
    const ScriptAbi* abi() const { return abi_.get(); }
    // Why the last load could not go on with its layout; empty when it could.
    const std::string& abiProblem() const { return abiProblem_; }

    bool running() const { return script_ != nullptr; }
    // Whether the script's destructor has run.
    bool destroyed() const { return destroyed_; }
    // Replies the script has not handed back yet.
    std::size_t outstandingReplies() const { return ledger_.outstanding(); }
    // Replies handed out so far, words never handed back included.
    std::uint64_t repliesHandedOut() const { return ledger_.handedOut(); }
    const Ledger& ledger() const { return ledger_; }

private:
    // One call into the script: `event` opens it, `body` calls the script,
    // then replies it kept are reported.
    void intoScript(const std::string& what, const HostEvent& event, const std::function<void()>& body);
    void* command(const void* data);
    void release(void* data);
    void report(const Rule& rule, std::string message, int depth = 1);
    // Every code but a parent query is answered with null.
    void checkNull(int code, const std::string& what, const void* result);

    CommandContext& commands_;
    EventBus& events_;
    Ledger ledger_;
    std::optional<AbiKind> abiKind_ = AbiKind::native;
    std::unique_ptr<ScriptAbi> abi_;
    std::string abiProblem_;
    ScriptObject* script_ = nullptr;
    std::string call_;  // the call under way, for messages ("start-up", ...)
    std::uint64_t callNumber_ = 0;
    bool inCall_ = false;
    bool inShutdown_ = false;
    bool ended_ = false;  // the script has sent "AS"
    bool destroyed_ = false;
    ReplyMode replyMode_ = ReplyMode::plant;
};

} // namespace vesk_host

#endif
