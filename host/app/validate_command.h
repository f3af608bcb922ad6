// "vesk_host validate": check a script library against the interface's
// rules, each check in a child process with a watchdog, and report.
#ifndef VESK_HOST_VALIDATE_COMMAND_H
#define VESK_HOST_VALIDATE_COMMAND_H

#include <string>
#include <vector>

namespace vesk_host {

// The arguments after "validate"; returns the exit code: 0 every check
// passed, 1 one failed, 2 the validator could not run.
int validateCommand(const std::vector<std::string>& arguments);

} // namespace vesk_host

#endif
