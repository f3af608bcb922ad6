// "vesk_host run": load a script, run a session (or steps typed at a
// prompt) against a plant, and report.
#ifndef VESK_HOST_RUN_COMMAND_H
#define VESK_HOST_RUN_COMMAND_H

#include "app/command_line.h"

namespace vesk_host {

Command runCommand();

} // namespace vesk_host

#endif
