// Names of the signals that end a process, for reports. POSIX only.
#ifndef VESK_HOST_SIGNAL_NAMES_H
#define VESK_HOST_SIGNAL_NAMES_H

#include <string>

namespace vesk_host {

// "SIGSEGV" for the signal's number, or null for one without a name here.
// Reads a fixed table only: safe in a signal handler.
const char* signalNameOrNull(int number);
// "SIGSEGV", or "signal N" for one without a name here.
std::string signalName(int number);

} // namespace vesk_host

#endif
