// Where the script's own ways out of the process (exit(), _exit(),
// ExitProcess()) are caught before they happen, the watch names them:
// inside a call into the script (or on a thread of its own) while armed,
// the report of script-ended is given to the sink and the process ends
// with exit code 1; otherwise the call returns and the exit goes on.
// `how` names the way ("exit()") and must stay alive. Windows, where the
// exit hooks call it (script_modules_windows.cpp); on POSIX the watch
// catches exit() with atexit.
#ifndef VESK_HOST_TRAPS_FATAL_EXIT_H
#define VESK_HOST_TRAPS_FATAL_EXIT_H

namespace vesk_host::fatal {

void exitCalled(const char* how);
// abort(): the script's crash (as SIGABRT is on POSIX), named the same way.
void abortCalled();

} // namespace vesk_host::fatal

#endif
