// "vesk_host validate": check a script library against the interface's
// rules, each check in a child process with a watchdog, and report.
#ifndef VESK_HOST_VALIDATE_COMMAND_H
#define VESK_HOST_VALIDATE_COMMAND_H

#include "app/command_line.h"

namespace vesk_host {

Command validateCommand();

} // namespace vesk_host

#endif
