#include "validator/checks.h"

#include "base/text_util.h"
#include "commands/command_table.h"
#include "commands/reply_modes.h"

namespace vesk_host::validator {

const std::vector<Check>& allChecks()
{
    static const std::vector<Check> checks = {
        {"load.basic",
         "Loads the script on the plant and destroys it: start-up and shutdown keep every rule and the destructor "
         "sends \"AS\".",
         checkLoadBasic},
        {"load.null-host",
         "Calls the export with a null host, with the plant's path and with a null path, and destroys the script; "
         "a null result warns.",
         checkLoadNullHost},
        {"load.paths", "Loads and destroys the script with an empty, a null, a 4096-byte and an oddly quoted path.",
         checkLoadPaths},
        {"load.repeat",
         "Loads and destroys the script 100 times: every reply comes back each time, and the script's heap in "
         "use (its own blocks where the heap is watched, else the process's count) grows by at most 1024 bytes "
         "from load 20 to load 100, or grows most of that stretch's 8 tens of loads by less than 128 bytes "
         "(see below).",
         checkLoadRepeat},
        {"codes.0", "Code 0, which a host never sends a script, with a command text and with null: answered null.",
         checkCode0},
        {"codes.1",
         "Revertives (code 1) for each router's first and last destination, an unknown device, and empty, "
         "4000-byte and quoted texts.",
         checkCode1},
        {"codes.2",
         "Control events (code 2) on every control, on an unknown panel and control, and with empty, dotted, "
         "overflowing and 5000-byte event texts.",
         checkCode2},
        {"codes.3", "Parent queries (code 3) \"_events\" and null; a text answer is read and handed back.", checkCode3},
        {"codes.4", "Timer ticks (code 4) for timer 1 and for timer 0 (a null data word).", checkCode4},
        {"codes.5", "Code 5 with null does nothing; code 5 with an answer the script gave frees it.", checkCode5},
        {"codes.6", "Code 6 with a pointer to zeroed memory and with null: passed on unread, answered null.",
         checkCode6},
        {"codes.7", "Code 7 with a pointer to zeroed memory and with null: passed on unread, answered null.",
         checkCode7},
        {"codes.outside",
         "Codes 8, 9, 16, 255, 256, 65536, -1, -2, INT_MAX and INT_MIN, with a pointer and with null: ignored, "
         "answered null.",
         checkCodesOutside},
        {"codes.null-records",
         "Codes 1 and 2 with a null record, which a host never sends: a crash or hang here is only a warning.",
         checkNullRecords, true},
        {"queries.texts",
         "Parent queries null, empty, 100000 bytes long, dotted (31, 32, 40 and 100000 dots), with quotes, "
         "percent signs, line breaks and high bytes: each answer ends within " + std::to_string(maxScriptText) +
             " bytes, is handed back and freed.",
         checkQueries},
        {"release.answers",
         "The release rule on the script's own answers: all answers held across later queries, a press and a "
         "second of ticks stay unchanged and distinct, then go back newest first; SKIP when the script answers "
         "no query with a text.",
         checkHeldAnswers},
        {"timers.unknown-ids",
         "Ticks (code 4) of timers the script never started: 0, 1, 2, 3, 7, 99, 1000, 65535, 65536, -1, INT_MAX "
         "and INT_MIN.",
         checkUnknownTimers},
        {"release.every-reply",
         "The release rule on every reply under the ordinary workload (every control pressed with the usual "
         "event texts, every router destination polled, the common queries, a second of ticks): each reply "
         "comes back once, unchanged, before its call returns, and no pointer the host never handed out comes "
         "back.",
         checkEveryReply},
        {"replies.null", "Every command answered with null (\"PS\" with failure), from start-up to shutdown.",
         checkNullReplies},
        {"replies.empty",
         "Every command answered with an empty text; only replies to " + handedBackLetterList(" and ") + " come back.",
         checkEmptyReplies},
        {"replies.long",
         "Every command answered with a " + std::to_string(longReplyLength) +
             "-byte text of commas, apostrophes, blanks, digits and '='; only replies to " +
             handedBackLetterList(" and ") + " come back.",
         checkLongReplies},
        {"end.after-as",
         "Nothing is sent after \"AS\", nor after the destructor returns or the library is unloaded.", checkEnd},
        {"heap.per-event",
         "150 presses, revertives, ticks and parent queries each: what the script allocates for an event or a "
         "query it frees again (where the heap is watched).",
         checkHeapPerEvent},
        {"instances.shared-state",
         "Two instances from the one loaded module, as a host makes one per panel: the first driven through the "
         "ordinary workload, then the second, whose commands must be those of a second instance beside a first "
         "from another module (a copy of the library).",
         checkSharedState},
        {"soak.random",
         "A randomised soak of session steps from the seed (presses, revertives, queries, ticks, takes, polls, "
         "reply modes); a failure leaves a session file that replays it.",
         checkSoak, false, true},
    };
    return checks;
}

std::string checkTableMarkdown()
{
    std::string table = "| id | what it does |\n|---|---|\n";
    for (const Check& check : allChecks())
        table += std::string("| `") + check.id + "` | " + markdownCell(check.description) + " |\n";
    return table;
}

} // namespace vesk_host::validator
