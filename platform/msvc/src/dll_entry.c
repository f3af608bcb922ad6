/* The entry point of every DLL built on the C runtime layer: the linker's
   default for DLLs. It runs the static initialisers when the DLL is
   loaded and the registered exit functions when it is unloaded. */
#include "module_init.h"

enum { processDetach = 0, processAttach = 1 };

int __stdcall _DllMainCRTStartup(void* module, unsigned long reason, void* reserved)
{
    (void)module;
    (void)reserved;
    if (reason == processAttach)
        vesk_module_start();
    else if (reason == processDetach)
        vesk_module_end();
    return 1;
}
