// "vesk_host validate": check a script library against the interface's
// rules, each check in a child process with a watchdog, and report. On
// POSIX the command is the program vesk_host_validate (validate_main.cpp),
// which vesk_host starts with its own words; on Windows it is part of
// vesk_host.
#ifndef VESK_HOST_VALIDATE_COMMAND_H
#define VESK_HOST_VALIDATE_COMMAND_H

#include "app/command_line.h"

namespace vesk_host {

// The command's line in the program's help.
constexpr const char* validateDescription = "check a script library against the interface's rules";

Command validateCommand();

} // namespace vesk_host

#endif
