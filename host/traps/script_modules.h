// The script's own modules: its library and every library it brought into
// the process that is not the system's (its string library, a runtime of
// its own). Where the platform calls a library's imports through a table
// the host can rewrite (Windows), the heap watch and the exit hooks stand
// in front of the C runtime's allocator and its ways out of the process
// there, for those modules only: the host's own calls go straight through.
// Elsewhere the interposers stand in front of the whole process and
// nothing is done here.
#ifndef VESK_HOST_TRAPS_SCRIPT_MODULES_H
#define VESK_HOST_TRAPS_SCRIPT_MODULES_H

namespace vesk_host {

// After a script's library has loaded (again): every module not yet watched
// gets the hooks. Cheap to call again; a module loaded anew at the same
// place is watched anew. Thread: the host's.
void watchScriptModules();

} // namespace vesk_host

#endif
