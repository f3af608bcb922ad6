// How "vesk_host run" ends when the script takes the process down or never
// returns (the fatal watch): what was buffered goes out, then the broken
// rule as a transcript line (text or JSON) and a line on standard error,
// and the process ends with exit code 1.
#ifndef VESK_HOST_FATAL_OUTPUT_H
#define VESK_HOST_FATAL_OUTPUT_H

#include "app/output.h"

namespace vesk_host {

// Installs and arms the fatal watch for a run writing to `out`; calls into
// the script time out after `timeoutSeconds`.
void watchRun(Output& out, bool json, double timeoutSeconds);
// The run ended normally: nothing more to watch.
void runEnded();

// "!! VIOLATION rule: message\n", or its JSON line, in `buffer` (size
// bytes, always NUL-ended); no allocation.
void fatalLine(char* buffer, std::size_t size, bool json, const char* rule, const char* message);

} // namespace vesk_host

#endif
