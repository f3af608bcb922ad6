#include "vesk/testing/script_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vesk::testing {

vesk_load_function loadScriptExport(const char* path, std::string* why)
{
    const auto fail = [why](std::string reason) -> vesk_load_function {
        if (why)
            *why = std::move(reason);
        return nullptr;
    };
#if defined(_WIN32)
    HMODULE library = LoadLibraryA(path);
    if (!library)
        return fail("cannot be loaded (error " + std::to_string(GetLastError()) + ")");
    void* entry = reinterpret_cast<void*>(GetProcAddress(library, VESK_LOAD_SYMBOL));
#else
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = dlerror();
        return fail(std::string("cannot be loaded: ") + (error ? error : "unknown error"));
    }
    void* entry = dlsym(library, VESK_LOAD_SYMBOL);
#endif
    if (!entry)
        return fail(std::string("does not export ") + VESK_LOAD_SYMBOL);
    return reinterpret_cast<vesk_load_function>(entry);
}

} // namespace vesk::testing
