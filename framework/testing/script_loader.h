// Loads a script library the way a host does and finds its export by name.
#ifndef VESK_TEST_SCRIPT_LOADER_H
#define VESK_TEST_SCRIPT_LOADER_H

#include "vesk_client_callback.h"

// The export of the library at `path`, or null (the library stays loaded
// for the life of the process).
vesk_load_function loadScriptExport(const char* path);

#endif
