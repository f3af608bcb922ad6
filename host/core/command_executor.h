// Executes the script's commands against the plant, the loaded panels and
// the timers, and says what the host answers. Revertives that a command
// causes are queued, never delivered here. "AS" is the caller's: it marks
// the script's end, which only the caller can judge.
#ifndef VESK_HOST_COMMAND_EXECUTOR_H
#define VESK_HOST_COMMAND_EXECUTOR_H

#include <cstdint>
#include <string>
#include <vector>

#include "command_text.h"
#include "events.h"
#include "panels.h"
#include "plant.h"
#include "rules.h"
#include "timers.h"

namespace vesk_host {

struct Reply {
    // text: a reply the script hands back with code 5 ("SD", "XI", "RN",
    // "TG"); word: a host-owned text answering a command whose reply is
    // never handed back; status: the "PS" success word.
    enum class Kind { null, text, word, status };
    Kind kind = Kind::null;
    std::string text;         // Kind::text and Kind::word
    std::intptr_t status = 0;  // Kind::status ("PS": 1 loaded, 0 not)
};

struct Execution {
    Reply reply;
    std::vector<Finding> findings;  // warnings about what the command asked
};

class CommandExecutor {
public:
    CommandExecutor(Plant& plant, Panels& panels, Timers& timers, EventQueue& queue);

    Execution execute(const CommandText& command);

private:
    Execution deviceLookup(const CommandText& command);
    Execution controlList(const CommandText& command);
    Execution panelLoad(const CommandText& command);
    Execution textSet(const CommandText& command);
    Execution textGet(const CommandText& command);
    Execution routeSet(const CommandText& command);
    Execution databaseRead(const CommandText& command);
    Execution revertivePoll(const CommandText& command);
    Execution revertiveRegister(const CommandText& command);
    Execution revertiveUnregister(const CommandText& command);
    Execution timer(const CommandText& command);

    // The router on `device`, or null with a warning in `execution`.
    Router* findRouter(std::int32_t device, Execution& execution);
    // The control, or null with a warning in `execution`.
    LoadedControl* findControl(const std::string& panel, const std::string& control, Execution& execution);

    Plant& plant_;
    Panels& panels_;
    Timers& timers_;
    EventQueue& queue_;
};

} // namespace vesk_host

#endif
