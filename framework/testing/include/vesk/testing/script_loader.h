// Loads a script library into this process the way a host does and finds
// its export by name.
#ifndef VESK_TESTING_SCRIPT_LOADER_H
#define VESK_TESTING_SCRIPT_LOADER_H

#include <string>

#include "vesk_client_callback.h"

namespace vesk::testing {

// The export of the library at `path`, or null with the reason in `why`
// (when given). The library stays loaded for the life of the process.
vesk_load_function loadScriptExport(const char* path, std::string* why = nullptr);

} // namespace vesk::testing

#endif
