// "vesk_host run": load a script, run a session against a plant, report.
#ifndef VESK_HOST_RUN_COMMAND_H
#define VESK_HOST_RUN_COMMAND_H

#include <string>
#include <vector>

namespace vesk_host {

// The arguments after "run"; returns the exit code.
int runCommand(const std::vector<std::string>& arguments);

} // namespace vesk_host

#endif
