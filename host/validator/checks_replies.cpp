// Checks of timer ticks, of the replies to every command, of the release
// rule on every reply, and of the script's end.
#include "validator/checks.h"

#include <climits>

#include "commands/command_table.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

void checkUnknownTimers(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    int ticks = 0;
    for (const std::int32_t id : {0, 1, 2, 3, 7, 99, 1000, 65535, 65536, -1, INT_MAX, INT_MIN}) {
        if (run.timersStarted().count(id) || !run.emulator().running())
            continue;
        run.emulator().tick(id);
        ++ticks;
    }
    run.finish();
    run.judge();
    context.note(std::to_string(ticks) + " ticks of timers the script never started");
}

void checkEveryReply(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    driveWorkload(run.emulator());
    run.finish();
    run.judge();
    const std::size_t replies = run.emulator().host().repliesHandedOut();
    if (replies == 0)
        context.note("the script read no reply (it sent no " + handedBackLetterList(" or ") + " the plant answered)");
    else
        context.note(std::to_string(replies) + " replies handed out");
}

void checkRepliesIn(CheckContext& context, ReplyMode mode)
{
    ScriptRun run(context, mode);
    if (!run.start())
        return;
    driveWorkload(run.emulator());
    run.finish();
    run.judge();
    context.note(std::to_string(run.commandsSent()) + " commands answered so");
}

void checkNullReplies(CheckContext& context) { checkRepliesIn(context, ReplyMode::null); }

void checkEmptyReplies(CheckContext& context) { checkRepliesIn(context, ReplyMode::empty); }

void checkLongReplies(CheckContext& context) { checkRepliesIn(context, ReplyMode::long_); }

void checkEnd(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    driveWorkload(run.emulator());
    run.finish();
    // Static destructors run now, while the host still listens.
    run.library().close();
    run.judge({&rule::commandAfterEnd});
}

} // namespace vesk_host::validator
