// Where the interposers stand in front of the whole process (POSIX), or
// nothing does: no module needs hooks of its own.
#include "traps/script_modules.h"

namespace vesk_host {

void watchScriptModules() {}

} // namespace vesk_host
