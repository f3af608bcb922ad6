// The script's side of the live page: what runs in the script's own
// process. It loads the library, starts the script on the plant, then
// carries out one session step per line it reads, writing the child
// protocol (child_protocol.h) as things happen. A crash, a hang or an
// exit() of the script ends only this process; the server sees the pipe
// close and reports it.
#ifndef VESK_HOST_WEB_SCRIPT_CHILD_H
#define VESK_HOST_WEB_SCRIPT_CHILD_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plant/plant.h"
#include "plant/studio_file.h"

namespace vesk_host::web {

struct ChildSetup {
    std::string library;
    Plant plant;
    // A studio's positions, in order; empty: `library` alone.
    std::vector<ScriptPosition> positions;
};

// Transcript lines one action may send; the rest are counted in a note.
constexpr std::size_t maxEntriesPerAction = 3000;
// Texts inside a transcript line are cut at this many bytes.
constexpr std::size_t maxEntryText = 2000;
// Commands one action's facts may carry, and their bytes in all.
constexpr std::size_t maxFactCommands = 5000;
constexpr std::size_t maxFactBytes = 8u << 20;

// `readLine` gives the next step line, or nothing when the server has gone;
// `write` sends one protocol line (with its "\n"). Returns the process's
// exit code: 0 when the server went away, 4 when the library cannot be
// loaded or its export returned null.
int runScriptChild(const ChildSetup& setup, const std::function<std::optional<std::string>()>& readLine,
                   const std::function<void(const std::string&)>& write);

} // namespace vesk_host::web

#endif
