// The release-rule ledger: every reply text the host hands the script must
// come back with code 5 exactly once, before the call into the script that
// received it returns ("RN" hands back a null reply too); and every
// parent-query answer the script hands the host goes back to the script
// once it has been read.
//
// It keeps only what is live: a reply that came back, or was reported as
// missing, leaves the ledger; its memory is retired (ReplyMemory), and what
// a later message needs about it (the start of its text and its command)
// stays only while its block is in quarantine (the last 256 hand-backs with
// guarded memory, 1024 with plain, and at most 16 MiB of texts), so a
// second or late hand-back within that reach is named as such. Finding the
// replies of a call that did not come back costs time in proportion to that
// call's replies. Texts live once, in their blocks, and count against the
// run's memory budget until they leave the quarantine.
#ifndef VESK_HOST_LEDGER_H
#define VESK_HOST_LEDGER_H

#include <cstdint>
#include <deque>
#include <optional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/memory_budget.h"
#include "traps/reply_memory.h"

namespace vesk_host {

// Reply texts are held once, in their blocks; a record keeps only what a
// message shows of a text (its first shownLength bytes) and a hash of the
// whole, to tell a text that came back changed.
constexpr std::size_t shownLength = 1000;

struct HandedReply {
    std::string text;     // as handed out, cut at shownLength bytes
    std::size_t size = 0; // the text's whole length
    std::string command;  // the command it answered
    std::uint64_t callNumber = 0;  // the call into the script that received it
    bool kept = false;    // a word answering a command whose reply is never handed back
    bool null = false;    // a null reply that must come back as null ("RN")
    std::uint64_t hash = 0;  // of the whole text
};

struct ReleaseCheck {
    enum class Kind {
        returned,  // a live reply came back
        twice,     // a reply that came back before
        late,      // a reply reported as never handed back, coming back now
        kept,      // a word whose reply never comes back
        unknown,   // a pointer this host never handed out (or one too long ago to know)
    };
    Kind kind = Kind::unknown;
    HandedReply reply;      // what is known of it, for all but unknown
    bool modified = false;  // the text came back changed
    std::string cameBack;   // what it read when it came back
};

class Ledger {
public:
    // Reply texts count against `budget` (may be null, which must outlive the ledger).
    explicit Ledger(MemoryKind memory = MemoryKind::guarded, MemoryBudget* budget = nullptr);
    ~Ledger();

    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    // A fresh NUL-terminated copy of `text`, recorded as the reply to
    // `command` received during call `callNumber`; null when the memory
    // budget refuses it (see refused()).
    char* handOut(const std::string& text, const std::string& command, std::uint64_t callNumber);
    // A host-owned text answering `command`, whose reply is never handed
    // back: it must not come back with code 5. It lives until its call ends.
    char* handOutKept(const std::string& text, const std::string& command, std::uint64_t callNumber);
    // The first reply the memory budget refused, and why.
    const std::optional<Error>& refused() const { return refused_; }
    // A null reply to `command` that must come back as null ("RN").
    void nullOut(const std::string& command, std::uint64_t callNumber);
    // A non-null pointer the script handed back with code 5.
    ReleaseCheck release(const void* data);
    // A null hand-back: settles the newest null reply still out; false
    // when none is out (which is legal too).
    bool releaseNull();
    // Replies (and null replies) of calls up to `callNumber` that have not
    // come back; they leave the ledger, and words of those calls retire.
    std::vector<HandedReply> takeMissing(std::uint64_t callNumber);
    // The same for every call.
    std::vector<HandedReply> takeAllMissing();

    // Parent-query answers from the script (`text` as read), until the host
    // hands them back.
    void answerReceived(const void* answer, const std::string& query, const std::string& text);
    // The query and the text of an answer the host still holds, or null.
    const std::pair<std::string, std::string>* heldAnswer(const void* answer) const;
    void answerHandedBack(const void* answer);
    // Queries whose answers the host has not handed back; clears them.
    std::vector<std::string> takeAnswersKept();
    // Whether `pointer` is a reply or word of this host, live or in quarantine.
    bool isReply(const void* pointer) const;
    // What is known of that reply or word; null when it is none.
    const HandedReply* lookup(const void* pointer) const;

    // Replies and words handed out so far.
    std::uint64_t handedOut() const { return handedOut_; }
    // Replies (not counting words) that have not come back, those reported
    // as missing included.
    std::size_t outstanding() const;
    // Entries the ledger holds now: live replies, null replies, held
    // answers and quarantined records; bounded for a script that keeps the rule.
    std::size_t entries() const;
    MemoryKind memoryKind() const { return memory_->kind(); }
    // Why guarded memory gave way to plain memory, once it has (null before).
    const char* memoryFellBack() const { return memory_->fellBack(); }
    // How many handed-back texts stay known.
    std::size_t quarantineLength() const { return memory_->quarantineLength(); }
    // How many handed-back texts are known now (at most quarantineLength()).
    std::size_t quarantined() const { return retired_.size(); }

private:
    struct Live {
        HandedReply reply;
        std::size_t size;     // bytes of the block, NUL included
        std::size_t charged;  // what the memory budget was charged for it
    };

    char* record(const std::string& text, HandedReply reply);
    // Forgets a retired block: its record, and its bytes in the budget.
    void forget(const void* block);
    // Retires a block; forgets what the quarantine let go.
    void retire(const char* block, std::size_t size, std::size_t charged, HandedReply reply, ReleaseCheck::Kind kind);
    std::vector<HandedReply> takeUpTo(std::uint64_t callNumber, bool all);

    std::unique_ptr<ReplyMemory> memory_;
    MemoryBudget* budget_;
    std::optional<Error> refused_;
    std::unordered_map<const void*, Live> live_;
    // Blocks handed out with the call they were handed out in, in order (call
    // numbers only grow); entries that came back are skipped when taken.
    std::deque<std::pair<std::uint64_t, const void*>> byCall_;
    std::vector<const char*> gone_;  // what the quarantine let go at the last retire
    struct NullReply {
        HandedReply reply;
    };
    std::vector<NullReply> nulls_;
    // Retired blocks still in quarantine: what came back and how.
    struct Retired {
        HandedReply reply;
        ReleaseCheck::Kind kind;  // returned, late (reported missing) or kept
        std::size_t charged;      // refunded to the memory budget when it is forgotten
    };
    std::unordered_map<const void*, Retired> retired_;
    std::unordered_map<const void*, std::pair<std::string, std::string>> answers_;
    std::uint64_t handedOut_ = 0;
    std::size_t missing_ = 0;  // replies reported as never handed back
};

} // namespace vesk_host

#endif
