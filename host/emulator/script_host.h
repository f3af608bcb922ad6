// The host side of the interface: the emulator's vesk_client_callback.
//
// It takes the script's commands (code 0) and hand-backs (code 5), runs
// every call into the script (the export, events, the destructor) as one
// "call" for the release rule, tells every call in both directions to the
// event bus, and reports every broken rule there. It never calls the script
// from inside a command: what commands cause waits in the revertive queue.
#ifndef VESK_HOST_SCRIPT_HOST_H
#define VESK_HOST_SCRIPT_HOST_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "abi/script_abi.h"
#include "commands/command_executor.h"
#include "commands/reply_modes.h"
#include "events/host_events.h"
#include "events/host_limits.h"
#include "traps/heap_watch.h"
#include "traps/ledger.h"
#include "traps/record_arena.h"
#include "vesk_client_callback.h"

namespace vesk_host {

// Told of every call into the script, around it: after the call's event
// and just before the script runs, and as soon as it returns (before what
// the call left is judged). A supervised worker flushes its stream before
// a call and looks at what the call did to the process after it.
class CallWatcher {
public:
    virtual ~CallWatcher() = default;
    virtual void beforeCall(const HostEvent& call) = 0;
    virtual void afterCall() = 0;
};

class ScriptHost final : public ScriptAbi::Host {
public:
    struct Options {
        MemoryKind memory = MemoryKind::guarded;  // where reply texts live
        double slowCallMilliseconds = defaultSlowCallMilliseconds;  // a call longer than this is a slow-call warning
        MemoryBudget* budget = nullptr;           // held replies and queued revertives count against it
        CallWatcher* watcher = nullptr;           // not owned; must outlive the host
    };
    // Both must outlive the host.
    ScriptHost(CommandContext& commands, EventBus& events, const Options& options);
    ~ScriptHost();

    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // The script's calls into the host, through whatever table the ABI layer gave it.
    void* fromScript(void* data, int code) override;
    void hostObjectDeleted() override;

    // Calls the export with this host and `path` (nothing: a null path):
    // the script's start-up. An error (kind notLoadable) when the export
    // returned null, or (kind unsupported) when the script's layout cannot
    // be driven; abiProblem() then says why too.
    Status load(vesk_load_function entry, const std::optional<std::string>& path);
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
    // The first reply the memory budget refused, and why.
    const std::optional<Error>& overBudget() const { return ledger_.refused(); }

private:
    // One call into the script: `event` opens it, `body` calls the script,
    // then replies it kept, the time it took and what it left on the
    // script's heap are judged.
    template <class Body> void intoScript(const HostEvent& event, Body body);
    // The call under way, in words ("control event "Sources" "index=1"").
    std::string callName() const;
    void* command(const void* data);
    void release(void* data);
    void report(const Rule& rule, std::string message, int depth = 1);
    // Every code but a parent query is answered with null.
    void checkNull(int code, const HostEvent& call, const void* result);
    // Growth of the script's heap over a call (or a query with its hand-back)
    // of one kind; many such calls in a row are a leak. `last` names the
    // call, asked only when the leak is reported.
    void heapGrew(std::size_t kind, const char* what, const std::function<std::string()>& last, const Rule& rule,
                  std::int64_t bytes);
    // What the allocator stops: a free() of a host text, or a second free().
    static bool isHostText(const void* block, void* host);
    static void badFree(const void* block, heap::BadFree kind, void* host);

    CommandContext& commands_;
    EventBus& events_;
    Options options_;
    Ledger ledger_;
    RecordArena arena_;
    heap::FreeGuard previousGuard_;
    std::optional<AbiKind> abiKind_ = AbiKind::native;
    std::unique_ptr<ScriptAbi> abi_;
    std::string abiProblem_;
    ScriptObject* script_ = nullptr;
    const HostEvent* call_ = nullptr;  // the call under way
    std::uint64_t callNumber_ = 0;
    struct Streak {
        int calls = 0;           // calls in a row that left the heap bigger
        std::int64_t bytes = 0;  // what they left in all
        bool reported = false;
    };
    std::vector<Streak> streaks_;
    bool inCall_ = false;
    // The thread the host calls the script on; a call into the host from
    // any other is refused, counted, and reported by the host's thread.
    std::thread::id hostThread_ = std::this_thread::get_id();
    std::atomic<int> foreignCalls_{0};
    std::atomic<int> foreignCode_{0};
    bool inShutdown_ = false;
    bool fellBackSaid_ = false;
    bool ended_ = false;  // the script has sent "AS"
    bool destroyed_ = false;
    ReplyMode replyMode_ = ReplyMode::plant;
};

} // namespace vesk_host

#endif
