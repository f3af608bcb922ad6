// The release-rule ledger: every reply text the host hands the script must
// come back with code 5 exactly once, before the call into the script that
// received it returns; and every parent-query answer the script hands the
// host goes back to the script once it has been read.
//
// Reply buffers stay allocated until the ledger ends, so no later reply
// can reuse the address of one already handed back: a second hand-back is
// then always told apart from a hand-back of a newer reply. A buffer that
// comes back is cleared, so a script still reading it afterwards sees an
// empty text rather than a stale one.
#ifndef VESK_HOST_LEDGER_H
#define VESK_HOST_LEDGER_H

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vesk_host {

struct HandedReply {
    std::unique_ptr<char[]> buffer;
    std::string text;        // as handed out
    std::string command;     // the command it answered
    std::string call;        // the call into the script that received it
    std::uint64_t callNumber = 0;
    bool returned = false;
    bool reported = false;   // already reported as never handed back
    bool kept = false;       // answers a command whose reply is never handed back
};

struct ReleaseCheck {
    // kept: the host's answer to a command whose reply never comes back.
    enum class Kind { returned, twice, kept, unknown };
    Kind kind = Kind::unknown;
    const HandedReply* reply = nullptr;  // null for unknown
    bool modified = false;               // the text came back changed
    std::string cameBack;                // what it read when it came back
};

class Ledger {
public:
    // A fresh NUL-terminated copy of `text`, recorded as the reply to
    // `command` received during call `callNumber` (described by `call`).
    char* handOut(const std::string& text, const std::string& command, const std::string& call,
                  std::uint64_t callNumber);
    // A host-owned text answering `command`, whose reply is never handed
    // back: it must not come back with code 5.
    char* handOutKept(const std::string& text, const std::string& command);
    // A non-null pointer the script handed back with code 5.
    ReleaseCheck release(const void* data);
    // Replies received during `callNumber` that have not come back and were
    // not reported before; they are marked reported.
    std::vector<const HandedReply*> takeMissing(std::uint64_t callNumber);
    // The same for every call.
    std::vector<const HandedReply*> takeAllMissing();

    // Parent-query answers from the script (`text` as read), until the host
    // hands them back.
    void answerReceived(const void* answer, const std::string& query, const std::string& text);
    // The query and the text of an answer the host still holds, or null.
    const std::pair<std::string, std::string>* heldAnswer(const void* answer) const;
    void answerHandedBack(const void* answer);
    // Queries whose answers the host has not handed back; clears them.
    std::vector<std::string> takeAnswersKept();
    // Whether `pointer` is a reply buffer this host handed out.
    bool isReply(const void* pointer) const { return byAddress_.count(pointer) != 0; }

    std::size_t handedOut() const { return replies_.size(); }
    // Replies (not counting kept ones) that have not come back.
    std::size_t outstanding() const;

private:
    HandedReply& record(const std::string& text, const std::string& command);

    std::vector<std::unique_ptr<HandedReply>> replies_;
    std::unordered_map<const void*, HandedReply*> byAddress_;
    std::unordered_map<const void*, std::pair<std::string, std::string>> answers_;
};

} // namespace vesk_host

#endif
