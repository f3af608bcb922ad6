// What each exit code means, one row per code: the words of `vesk_host
// --help`, of `validate --help` and of the docs' two tables of exit codes.
#ifndef VESK_HOST_EXIT_CODES_H
#define VESK_HOST_EXIT_CODES_H

#include <string>

#include "base/exit_code.h"

namespace vesk_host {

// For --help: every code with what it means for run (and serve).
std::string exitCodeHelp();
// For validate --help: the codes validate exits with.
std::string validateExitCodeHelp();
// The docs' tables (Markdown), one row per code.
std::string exitCodeTableMarkdown();
std::string validateExitCodeTableMarkdown();

} // namespace vesk_host

#endif
