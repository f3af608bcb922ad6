// The exit codes of vesk_host and of the processes it starts for a script
// (a check's, the live page's), the same number meaning the same thing for
// every subcommand; when several apply, the highest is used. What each
// means, in the words of help and the docs, is app/exit_codes.cpp's table.
#ifndef VESK_HOST_EXIT_CODE_H
#define VESK_HOST_EXIT_CODE_H

namespace vesk_host {

enum ExitCode {
    exitSuccess = 0,
    exitViolation = 1,
    exitExpectation = 2,
    exitUsage = 3,
    exitLoad = 4,
    exitEmulator = 5,
};

} // namespace vesk_host

#endif
