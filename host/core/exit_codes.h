// The exit codes of vesk_host. When several apply, the highest is used.
#ifndef VESK_HOST_EXIT_CODES_H
#define VESK_HOST_EXIT_CODES_H

namespace vesk_host {

enum ExitCode {
    exitSuccess = 0,        // finished; no rule broken, every expectation met
    exitViolation = 1,      // the script broke an interface rule
    exitExpectation = 2,    // an expectation failed, or the golden file differs
    exitUsage = 3,          // bad command line, plant or session file, or a step that could not run
    exitLoad = 4,           // the library cannot be loaded, lacks the export, or the export returned null
};

} // namespace vesk_host

#endif
