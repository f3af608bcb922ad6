#include "events/rules.h"

#include "base/text_util.h"

namespace vesk_host {

namespace rule {
const Rule releaseUnknown{"release-unknown", Severity::violation,
                          "Code 5 from the script carries a reply this host handed out, or null."};
const Rule releaseTwice{"release-twice", Severity::violation, "Each reply is handed back with code 5 exactly once."};
const Rule releaseMissing{"release-missing", Severity::violation,
                          "A reply is handed back before the call into the script that received it returns."};
const Rule replyModified{"reply-modified", Severity::violation,
                         "The script never writes into a reply text; it hands it back as it was."};
const Rule answerNotHandedBack{"answer-not-handed-back", Severity::violation,
                               "The host hands every parent-query answer back to the script with code 5 after "
                               "reading it."};
const Rule answerReused{"answer-reused", Severity::violation,
                        "A parent-query answer is a fresh allocation: neither an answer the host still holds "
                        "nor a reply of the host's."};
const Rule answerChanged{"answer-changed", Severity::violation,
                         "A parent-query answer stays as it was until the host hands it back."};
const Rule nullCommand{"null-command", Severity::violation, "A command (code 0) carries a text, never null."};
const Rule commandTooLong{"command-too-long", Severity::violation,
                          "A command text ends with a NUL within 65536 bytes."};
const Rule unknownCommand{"unknown-command", Severity::violation,
                          "A command starts with the letters of a command the host knows."};
const Rule malformedCommand{"malformed-command", Severity::violation,
                            "A command's arguments follow its form: one blank before each, numbers in plain "
                            "decimal, texts in apostrophes."};
const Rule unknownCode{"unknown-code", Severity::violation, "A script calls the host with code 0 or 5 only."};
const Rule callOutsideHandler{"call-outside-handler", Severity::violation,
                              "The script calls the host only while the host is calling it (export, handler, "
                              "destructor)."};
const Rule callAfterDestruction{"call-after-destruction", Severity::violation,
                                "The script calls the host no more once its destructor has returned."};
const Rule recordModified{"record-modified", Severity::violation,
                          "The script never writes into the host's event records."};
const Rule unterminatedAnswer{"unterminated-answer", Severity::violation,
                              "A parent-query answer ends with a NUL within its block (and within 65536 bytes)."};
const Rule nonNullResult{"non-null-result", Severity::violation,
                         "The script answers every call but a parent query (code 3) with null."};
const Rule scriptThrew{"script-threw", Severity::violation,
                       "No exception leaves the script through the interface."};
const Rule readAfterRelease{"read-after-release", Severity::violation,
                            "The script never reads a reply after handing it back."};
const Rule readPastEnd{"read-past-end", Severity::violation, "The script reads a reply only up to its NUL."};
const Rule recordKept{"record-kept", Severity::violation,
                      "The script keeps no pointer into an event record past the call that delivered it."};
const Rule hostDeleted{"host-deleted", Severity::violation,
                       "The script never deletes the host object: the host owns it."};
const Rule freeOfHostText{"free-of-host-text", Severity::violation,
                          "The script never frees a text of the host's; it hands it back with code 5."};
const Rule doubleFree{"double-free", Severity::violation, "The script frees each block it allocated once."};
const Rule answerNotHeap{"answer-not-heap", Severity::violation,
                         "A parent-query answer is a block the script allocated with malloc, of its length + 1 "
                         "bytes at least."};
const Rule answerNotFreed{"answer-not-freed", Severity::violation,
                          "The script frees a parent-query answer when the host hands it back with code 5."};
const Rule leakPerEvent{"leak-per-event", Severity::violation,
                        "What the script allocates for an event it frees again: events of one kind do not keep "
                        "growing its heap."};
const Rule leakPerQuery{"leak-per-query", Severity::violation,
                        "A parent query and the hand-back of its answer leave the script's heap as they found it."};
const Rule scriptCrashed{"script-crashed", Severity::violation,
                         "The script never takes the host's process down (a fatal signal or an abort)."};
const Rule scriptEnded{"script-ended", Severity::violation, "The script never ends the host's process (exit)."};
const Rule callTimeout{"call-timeout", Severity::violation,
                       "Every call into the script returns within the host's time-out."};
const Rule descriptorChanged{"descriptor-changed", Severity::violation,
                              "The script leaves the host's standard input, output and error open and as they were."};
const Rule processStateChanged{"process-state-changed", Severity::violation,
                               "The script leaves the process's working folder, environment, locale, umask, "
                               "signal dispositions and signal mask as it found them."};
const Rule threadLeftRunning{"thread-left-running", Severity::violation,
                             "No thread the script started still runs once the call that started it has returned."};
const Rule callFromOtherThread{"call-from-other-thread", Severity::violation,
                               "The script calls the host only on the thread the host called it on."};
const Rule forkInCall{"fork-in-call", Severity::violation,
                      "The script never forks the host's process: the copy would act as a second host."};
const Rule ambiguousQuoting{"ambiguous-quoting", Severity::warning,
                            "An argument holds an apostrophe followed by a blank, so the texts can be read in "
                            "more than one way."};
const Rule unknownDevice{"unknown-device", Severity::warning, "A command names a device number the plant has."};
const Rule unknownDatabase{"unknown-database", Severity::warning,
                           "\"RN\" reads a database the plant has for that device."};
const Rule indexOutOfRange{"index-out-of-range", Severity::warning,
                           "Router sources and destinations lie within the router."};
const Rule unknownPanel{"unknown-panel", Severity::warning, "A command addresses a panel that has been loaded."};
const Rule unknownControl{"unknown-control", Severity::warning,
                          "A command addresses a control that the panel has."};
const Rule panelLoadFailed{"panel-load-failed", Severity::warning,
                           "\"PS\" names a readable, valid panel file inside the panel folder."};
const Rule assignmentWithoutEquals{"assignment-without-equals", Severity::warning,
                                   "The first argument of \"TP\" is property=value."};
const Rule negativeInterval{"negative-interval", Severity::warning,
                            "\"ET\" starts a timer with a positive interval; a negative one stops it."};
const Rule emptyAnswer{"empty-answer", Severity::warning,
                       "An empty parent-query answer is null, not an empty text."};
const Rule eventStorm{"event-storm", Severity::warning,
                      "One operator action causes at most 10000 deliveries to the script."};
const Rule commandAfterEnd{"command-after-end", Severity::warning, "Nothing is sent after \"AS\"."};
const Rule endOutsideShutdown{"end-outside-shutdown", Severity::warning,
                              "\"AS\" is sent by the script's destructor only."};
const Rule missingEnd{"missing-end", Severity::warning, "The script's destructor sends \"AS\"."};
const Rule slowCall{"slow-call", Severity::warning,
                    "A call into the script returns within 100 ms; a slow script is told apart from a hung one."};
} // namespace rule

const std::vector<const Rule*>& allRules()
{
    static const std::vector<const Rule*> rules = {
        &rule::releaseUnknown,     &rule::releaseTwice,       &rule::releaseMissing,
        &rule::replyModified,      &rule::answerNotHandedBack, &rule::answerReused,
        &rule::answerChanged,      &rule::nullCommand,        &rule::commandTooLong,
        &rule::unknownCommand,     &rule::malformedCommand,   &rule::unknownCode,
        &rule::callOutsideHandler, &rule::callAfterDestruction, &rule::recordModified,
        &rule::unterminatedAnswer, &rule::nonNullResult,      &rule::scriptThrew,
        &rule::readAfterRelease,   &rule::readPastEnd,        &rule::recordKept,         &rule::hostDeleted,
        &rule::freeOfHostText,     &rule::doubleFree,
        &rule::answerNotHeap,      &rule::answerNotFreed,     &rule::leakPerEvent,       &rule::leakPerQuery,
        &rule::scriptCrashed,      &rule::scriptEnded,        &rule::callTimeout,
        &rule::descriptorChanged,  &rule::processStateChanged, &rule::threadLeftRunning,
        &rule::callFromOtherThread, &rule::forkInCall,        &rule::ambiguousQuoting,
        &rule::unknownDevice,      &rule::unknownDatabase,    &rule::indexOutOfRange,
        &rule::unknownPanel,       &rule::unknownControl,     &rule::panelLoadFailed,
        &rule::assignmentWithoutEquals, &rule::negativeInterval,
        &rule::emptyAnswer,        &rule::eventStorm,         &rule::commandAfterEnd,
        &rule::endOutsideShutdown, &rule::missingEnd,         &rule::slowCall,
    };
    return rules;
}

const char* severityName(Severity severity) { return severity == Severity::violation ? "violation" : "warning"; }

std::string ruleTableMarkdown()
{
    std::string table = "| rule | kind | what it checks |\n|---|---|---|\n";
    for (Severity severity : {Severity::violation, Severity::warning})
        for (const Rule* rule : allRules())
            if (rule->severity == severity)
                table += std::string("| `") + rule->name + "` | " + severityName(severity) + " | " +
                         markdownCell(rule->description) + " |\n";
    return table;
}

} // namespace vesk_host
