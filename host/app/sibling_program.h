// The emulator's other programs, built and installed beside vesk_host:
// vesk_host_serve (the live page) and, on POSIX, vesk_host_validate (the
// validator). vesk_host links neither's code, so the demo's build compiles
// neither; `vesk_host serve` and `vesk_host validate` start them. POSIX only.
#ifndef VESK_HOST_APP_SIBLING_PROGRAM_H
#define VESK_HOST_APP_SIBLING_PROGRAM_H

#include <string>
#include <vector>

namespace vesk_host {

// Replaces this process with the program `name` from vesk_host's own
// folder, given `words` after its name. Returns only when the program
// cannot start: says why on standard error as "vesk_host COMMAND: ...",
// with `missingHint` added when the program is not there, and returns the
// usage exit code.
int execSibling(const char* name, const std::vector<std::string>& words, const char* command,
                const char* missingHint);

} // namespace vesk_host

#endif
