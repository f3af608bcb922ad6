// The installed test library's loader, under the name the suites use.
#ifndef VESK_TEST_SCRIPT_LOADER_H
#define VESK_TEST_SCRIPT_LOADER_H

#include "vesk/testing/script_loader.h"

using vesk::testing::loadScriptExport;

#endif
