// vesk_host_validate: "vesk_host validate" as a program of its own, which
// vesk_host starts with the words it was given, so that vesk_host (and the
// demo's build) carries none of the validator's code. Its help, messages
// and exit codes are vesk_host validate's; the checks' children are forks
// of this program.
#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/output.h"
#include "app/program_text.h"
#include "app/validate_command.h"

int main(int argc, char** argv)
{
    using namespace vesk_host;
    Output::standard();
    const Program program{programDescription, exitCodeHelp(), programVersion, {validateCommand()}};
    return runCommandLine(program, argc, argv);
}
