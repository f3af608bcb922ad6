// Every rule the emulator checks, one row each, in the order `vesk_host
// rules` and the docs list them: X(identifier, name, severity, description).
// rules.h declares a `rule::identifier` per row, rules.cpp defines them and
// the list; a description that cites a limit is made from the constant the
// host keeps it with.
#ifndef VESK_HOST_RULE_TABLE_H
#define VESK_HOST_RULE_TABLE_H

#define VESK_HOST_RULES(X) \
    /* The release rule (code 5). */ \
    X(releaseUnknown, "release-unknown", violation, \
      "Code 5 from the script carries a reply this host handed out, or null.") \
    X(releaseTwice, "release-twice", violation, "Each reply is handed back with code 5 exactly once.") \
    X(releaseMissing, "release-missing", violation, \
      "A reply is handed back before the call into the script that received it returns.") \
    X(replyModified, "reply-modified", violation, \
      "The script never writes into a reply text; it hands it back as it was.") \
    X(answerNotHandedBack, "answer-not-handed-back", violation, \
      "The host hands every parent-query answer back to the script with code 5 after reading it.") \
    X(answerReused, "answer-reused", violation, \
      "A parent-query answer is a fresh allocation: neither an answer the host still holds nor a reply of " \
      "the host's.") \
    X(answerChanged, "answer-changed", violation, \
      "A parent-query answer stays as it was until the host hands it back.") \
    /* What the script sends. */ \
    X(nullCommand, "null-command", violation, "A command (code 0) carries a text, never null.") \
    X(commandTooLong, "command-too-long", violation, \
      std::string("A command text ends with a NUL within ") + std::to_string(maxScriptText) + " bytes.") \
    X(unknownCommand, "unknown-command", violation, \
      "A command starts with the letters of a command the host knows.") \
    X(malformedCommand, "malformed-command", violation, \
      "A command's arguments follow its form: one blank before each, numbers in plain decimal, texts in " \
      "apostrophes.") \
    X(unknownCode, "unknown-code", violation, "A script calls the host with code 0 or 5 only.") \
    X(callOutsideHandler, "call-outside-handler", violation, \
      "The script calls the host only while the host is calling it (export, handler, destructor).") \
    X(callAfterDestruction, "call-after-destruction", violation, \
      "The script calls the host no more once its destructor has returned.") \
    X(recordModified, "record-modified", violation, "The script never writes into the host's event records.") \
    X(unterminatedAnswer, "unterminated-answer", violation, \
      std::string("A parent-query answer ends with a NUL within its block (and within ") \
      + std::to_string(maxScriptText) + " bytes).") \
    X(nonNullResult, "non-null-result", violation, \
      "The script answers every call but a parent query (code 3) with null.") \
    X(scriptThrew, "script-threw", violation, "No exception leaves the script through the interface.") \
    /* What guarded memory, the heap watch and the fatal watch catch. */ \
    X(readAfterRelease, "read-after-release", violation, "The script never reads a reply after handing it back.") \
    X(readPastEnd, "read-past-end", violation, "The script reads a reply only up to its NUL.") \
    X(recordKept, "record-kept", violation, \
      "The script keeps no pointer into an event record past the call that delivered it.") \
    X(hostDeleted, "host-deleted", violation, "The script never deletes the host object: the host owns it.") \
    X(freeOfHostText, "free-of-host-text", violation, \
      "The script never frees a text of the host's; it hands it back with code 5.") \
    X(doubleFree, "double-free", violation, "The script frees each block it allocated once.") \
    X(answerNotHeap, "answer-not-heap", violation, \
      "A parent-query answer is a block the script allocated with malloc, of its length + 1 bytes at least.") \
    X(answerNotFreed, "answer-not-freed", violation, \
      "The script frees a parent-query answer when the host hands it back with code 5.") \
    X(leakPerEvent, "leak-per-event", violation, \
      "What the script allocates for an event it frees again: events of one kind do not keep growing its " \
      "heap.") \
    X(leakPerQuery, "leak-per-query", violation, \
      "A parent query and the hand-back of its answer leave the script's heap as they found it.") \
    X(scriptCrashed, "script-crashed", violation, \
      "The script never takes the host's process down (a fatal signal or an abort).") \
    X(scriptEnded, "script-ended", violation, "The script never ends the host's process (exit).") \
    X(callTimeout, "call-timeout", violation, "Every call into the script returns within the host's time-out.") \
    /* What the script does to the process it shares with the host. */ \
    X(descriptorChanged, "descriptor-changed", violation, \
      "The script leaves the host's standard input, output and error open and as they were.") \
    X(processStateChanged, "process-state-changed", violation, \
      "The script leaves the process's working folder, environment, locale, umask, signal dispositions and " \
      "signal mask as it found them.") \
    X(threadLeftRunning, "thread-left-running", violation, \
      "No thread the script started still runs once the call that started it has returned.") \
    X(callFromOtherThread, "call-from-other-thread", violation, \
      "The script calls the host only on the thread the host called it on.") \
    X(forkInCall, "fork-in-call", violation, \
      "The script never forks the host's process: the copy would act as a second host.") \
    X(sharedState, "shared-state", violation, \
      "Each instance of a script keeps its own state: a second instance from the same loaded module behaves " \
      "as a fresh one, whatever the first has done (no globals or statics shared between instances).") \
    /* Warnings about what the commands ask of the plant. */ \
    X(ambiguousQuoting, "ambiguous-quoting", warning, \
      "An argument holds an apostrophe followed by a blank, so the texts can be read in more than one way.") \
    X(unknownDevice, "unknown-device", warning, "A command names a device number the plant has.") \
    X(unknownDatabase, "unknown-database", warning, "\"RN\" reads a database the plant has for that device.") \
    X(indexOutOfRange, "index-out-of-range", warning, "Router sources and destinations lie within the router.") \
    X(unknownPanel, "unknown-panel", warning, "A command addresses a panel that has been loaded.") \
    X(unknownControl, "unknown-control", warning, "A command addresses a control that the panel has.") \
    X(panelLoadFailed, "panel-load-failed", warning, \
      "\"PS\" names a readable, valid panel file inside the panel folder.") \
    X(assignmentWithoutEquals, "assignment-without-equals", warning, \
      "The first argument of \"TP\" is property=value.") \
    X(negativeInterval, "negative-interval", warning, \
      "\"ET\" starts a timer with a positive interval; a negative one stops it.") \
    X(emptyAnswer, "empty-answer", warning, "An empty parent-query answer is null, not an empty text.") \
    X(eventStorm, "event-storm", warning, \
      std::string("One operator action causes at most ") + std::to_string(deliveryBudget) \
      + " deliveries to the script.") \
    X(commandAfterEnd, "command-after-end", warning, "Nothing is sent after \"AS\".") \
    X(endOutsideShutdown, "end-outside-shutdown", warning, "\"AS\" is sent by the script's destructor only.") \
    X(missingEnd, "missing-end", warning, "The script's destructor sends \"AS\".") \
    X(slowCall, "slow-call", warning, \
      std::string("A call into the script returns within ") + std::to_string(defaultSlowCallMilliseconds) \
      + " ms; a slow script is told apart from a hung one.")

#endif
