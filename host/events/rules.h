// The rules the emulator checks. Every rule has a name (shown in the
// transcript and in `vesk_host rules`), a severity and a one-line
// description. A violation breaks the host interface and fails the run; a
// warning points at something a real host would likely ignore or refuse.
#ifndef VESK_HOST_RULES_H
#define VESK_HOST_RULES_H

#include <string>
#include <vector>

namespace vesk_host {

enum class Severity { warning, violation };

struct Rule {
    const char* name;
    Severity severity;
    const char* description;
};

// One broken rule, with what broke and where.
struct Finding {
    const Rule* rule;
    std::string message;
};

namespace rule {
// The release rule (code 5).
extern const Rule releaseUnknown;
extern const Rule releaseTwice;
extern const Rule releaseMissing;
extern const Rule replyModified;
extern const Rule answerNotHandedBack;
extern const Rule answerReused;
extern const Rule answerChanged;
// What the script sends.
extern const Rule nullCommand;
extern const Rule commandTooLong;
extern const Rule unknownCommand;
extern const Rule malformedCommand;
extern const Rule unknownCode;
extern const Rule callOutsideHandler;
extern const Rule callAfterDestruction;
extern const Rule recordModified;
extern const Rule unterminatedAnswer;
extern const Rule nonNullResult;
extern const Rule scriptThrew;
// What guarded memory, the heap watch and the fatal watch catch.
extern const Rule readAfterRelease;
extern const Rule readPastEnd;
extern const Rule recordKept;
extern const Rule hostDeleted;
extern const Rule freeOfHostText;
extern const Rule doubleFree;
extern const Rule answerNotHeap;
extern const Rule answerNotFreed;
extern const Rule leakPerEvent;
extern const Rule leakPerQuery;
extern const Rule scriptCrashed;
extern const Rule scriptEnded;
extern const Rule callTimeout;
// What the script does to the process it shares with the host.
extern const Rule descriptorChanged;
extern const Rule processStateChanged;
extern const Rule threadLeftRunning;
extern const Rule callFromOtherThread;
extern const Rule forkInCall;
// Warnings about what the commands ask of the plant.
extern const Rule ambiguousQuoting;
extern const Rule unknownDevice;
extern const Rule unknownDatabase;
extern const Rule indexOutOfRange;
extern const Rule unknownPanel;
extern const Rule unknownControl;
extern const Rule panelLoadFailed;
extern const Rule assignmentWithoutEquals;
extern const Rule negativeInterval;
extern const Rule emptyAnswer;
extern const Rule eventStorm;
extern const Rule commandAfterEnd;
extern const Rule endOutsideShutdown;
extern const Rule missingEnd;
extern const Rule slowCall;
} // namespace rule

// Every rule, in the order above.
const std::vector<const Rule*>& allRules();

const char* severityName(Severity severity);

// The docs' rules table (Markdown): one row per rule, violations first.
std::string ruleTableMarkdown();

} // namespace vesk_host

#endif
