#include "script_loader.h"

#if defined(_WIN32)
#include <windows.h>

vesk_load_function loadScriptExport(const char* path)
{
    HMODULE library = LoadLibraryA(path);
    if (!library)
        return nullptr;
    return reinterpret_cast<vesk_load_function>(reinterpret_cast<void*>(GetProcAddress(library, VESK_LOAD_SYMBOL)));
}
#else
#include <dlfcn.h>

vesk_load_function loadScriptExport(const char* path)
{
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    return reinterpret_cast<vesk_load_function>(dlsym(library, VESK_LOAD_SYMBOL));
}
#endif
