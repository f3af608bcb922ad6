// The exit codes of vesk_host, the same number meaning the same thing for
// every subcommand. When several apply, the highest is used.
#ifndef VESK_HOST_EXIT_CODES_H
#define VESK_HOST_EXIT_CODES_H

namespace vesk_host {

enum ExitCode {
    exitSuccess = 0,      // finished; no rule broken, every expectation met, every check passed
    exitViolation = 1,    // the script broke an interface rule, or a check failed, crashed or timed out
    exitExpectation = 2,  // an expectation failed, or the output differs from the golden file
    exitUsage = 3,        // bad command line, plant or session file, a step that could not run, an unwritable output
    exitLoad = 4,         // the library cannot be loaded, lacks the export, or the export returned null
    exitEmulator = 5,     // the emulator itself failed (never the script's doing)
};

// The table for --help.
inline const char* exitCodeHelp()
{
    return "Exit codes (when several apply, the highest):\n"
           "  0  finished: no rule broken, every expectation met, every check passed\n"
           "  1  the script broke an interface rule (run), or a check failed, crashed or timed out (validate)\n"
           "  2  an expectation failed, or the output differs from the golden file\n"
           "  3  bad command line, plant file or session file, a step that could not be carried out,\n"
           "     or an output file that cannot be written\n"
           "  4  the script library cannot be loaded, lacks load_vesk_client_script, or it returned null\n"
           "  5  the emulator itself failed (its own fault or limit, never the script's doing)\n";
}

} // namespace vesk_host

#endif
