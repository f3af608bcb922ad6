// The options that name a studio's positions, the same for every command
// that runs scripts (run, serve): --script, once a position, and --studio.
#ifndef VESK_HOST_APP_STUDIO_OPTIONS_H
#define VESK_HOST_APP_STUDIO_OPTIONS_H

#include <string>
#include <vector>

#include "app/command_line.h"

namespace vesk_host {

// Adds the two options to `command`, before its positional (the library),
// filling `scripts` and `studio` (which must outlive the command).
inline Command withStudioOptions(Command command, std::vector<std::string>* scripts, std::string* studio)
{
    auto at = command.options.end();
    if (at != command.options.begin() && (at - 1)->name.rfind("--", 0) != 0)
        --at;
    command.options.insert(
        at, {{"--script",
              "a position of a studio, once for each: NAME=LIBRARY[,PATH], PATH the path text handed to its "
              "script (its panel files read from that folder, beside the plant)",
              "NAME=LIBRARY[,PATH]", scripts},
             {"--studio", "a studio file: its positions, each a name, a library, a path text and a panel folder",
              "FILE", studio}});
    return command;
}

} // namespace vesk_host

#endif
