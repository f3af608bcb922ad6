// The texts vesk_host prints for help.
#ifndef VESK_HOST_USAGE_H
#define VESK_HOST_USAGE_H

namespace vesk_host {

inline const char* usageText()
{
    return "vesk_host: the panel host emulator. It loads a panel script library, drives it\n"
           "against a simulated plant, and checks that the script keeps the host interface's rules.\n"
           "\n"
           "Usage:\n"
           "  vesk_host run [options] LIBRARY   run a script: a session file, or steps typed at a prompt\n"
           "  vesk_host validate [options] LIBRARY   check a script against the interface's rules\n"
           "  vesk_host new NAME [FOLDER]       write a new script project (into ./NAME by default)\n"
           "  vesk_host rules                   list the rules the emulator checks\n"
           "  vesk_host help | --help           this text\n"
           "  vesk_host --version\n"
           "\n"
           "Options of run:\n"
           "  --plant FILE        the plant (TOML): devices, routers, databases, panel folder\n"
           "  --session FILE      the steps to run; without it they are read at a prompt\n"
           "  --json              write the transcript as JSON lines\n"
           "  --golden FILE       compare the output with FILE and show the first difference\n"
           "  --update-golden     write the output to the --golden FILE instead of comparing\n"
           "\n"
           "Options of validate: vesk_host validate --help (its exit codes: 0 passed, 1 a check failed,\n"
           "2 the validator could not run)\n"
           "\n"
           "Exit codes of run (when several apply, the highest):\n"
           "  0  the run finished: no rule broken, every expectation met\n"
           "  1  the script broke an interface rule (a violation)\n"
           "  2  an expectation failed, or the output differs from the golden file\n"
           "  3  bad command line, plant file or session file, or a step that could not be carried out\n"
           "  4  the script library cannot be loaded, lacks load_vesk_client_script, or it returned null\n";
}

} // namespace vesk_host

#endif
