// Carries out the script's commands against the plant, the loaded panels
// and the timers: each row of the command table names its handler here.
// Revertives a command causes are queued, never delivered here. "AS" does
// nothing here: it marks the script's end, which only the host can judge.
#ifndef VESK_HOST_COMMAND_EXECUTOR_H
#define VESK_HOST_COMMAND_EXECUTOR_H

#include <filesystem>
#include <string>
#include <vector>

#include "commands/command.h"
#include "events/host_events.h"
#include "events/reply.h"
#include "events/rules.h"
#include "plant/panels.h"
#include "plant/plant.h"
#include "plant/revertive_queue.h"
#include "plant/timers.h"

namespace vesk_host {

struct Execution {
    Reply reply;
    std::vector<Finding> findings;  // warnings about what the command asked
};

// What the handlers work on; every reference outlives the context. In a
// studio each position has a context of its own: its panels and its place
// in the shared plant, timers and queue.
struct CommandContext {
    Plant& plant;
    Panels& panels;
    Timers& timers;
    RevertiveQueue& queue;
    EventBus& events;  // state changes (properties, timers) are told here
    int position = 0;  // whose registrations, timers and polled revertives these are
    // The position's path text and panel folder; null: the plant's.
    const std::string* path = nullptr;
    const std::filesystem::path* panelFolder = nullptr;
};

// Runs the command's handler from its table row.
Execution execute(CommandContext& context, const ParsedCommand& command);

namespace commands {
Execution endScript(CommandContext& context, const ParsedCommand& command);
Execution deviceLookup(CommandContext& context, const ParsedCommand& command);
Execution controlList(CommandContext& context, const ParsedCommand& command);
Execution panelLoad(CommandContext& context, const ParsedCommand& command);
Execution routeSet(CommandContext& context, const ParsedCommand& command);
Execution databaseRead(CommandContext& context, const ParsedCommand& command);
Execution revertivePoll(CommandContext& context, const ParsedCommand& command);
Execution revertiveRegister(CommandContext& context, const ParsedCommand& command);
Execution revertiveUnregister(CommandContext& context, const ParsedCommand& command);
Execution textGet(CommandContext& context, const ParsedCommand& command);
Execution textSet(CommandContext& context, const ParsedCommand& command);
Execution timer(CommandContext& context, const ParsedCommand& command);
} // namespace commands

} // namespace vesk_host

#endif
