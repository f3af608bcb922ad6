// Hooks in a module's import table (32-bit Windows): for each function the
// module imports by name, `hookFor` may give a replacement, which is
// written into the module's table in place of the imported address. Only
// that module's calls go through the hook; a hook already in place stays.
#ifndef VESK_HOST_TRAPS_IMPORT_HOOKS_WINDOWS_H
#define VESK_HOST_TRAPS_IMPORT_HOOKS_WINDOWS_H

#include <windows.h>

#include <cstring>

namespace vesk_host {

// A module's export as the function type it has; null when it has none.
template <class Function>
Function exportedFunction(HMODULE module, const char* name)
{
    const FARPROC found = GetProcAddress(module, name);
    Function function = nullptr;
    static_assert(sizeof function == sizeof found);
    std::memcpy(&function, &found, sizeof function);
    return function;
}

// `dll` is the name the module imports from, `provider` that module as
// loaded (null when it is not); the hook, or null to leave the import alone.
using HookFor = void* (*)(const char* dll, HMODULE provider, const char* name);

// The imports hooked. A module whose headers do not read as an image with
// named imports is left alone (0).
int hookImports(HMODULE module, HookFor hookFor);

// The hooks of the heap watch (heap_hooks_windows.cpp) and of the exit
// watch (exit_hooks_windows.cpp) for one import; null when it is none of theirs.
void* heapHookFor(const char* dll, HMODULE provider, const char* name);
void* exitHookFor(const char* dll, HMODULE provider, const char* name);
// And of the process watch (process_hooks_windows.cpp).
void* processHookFor(const char* dll, HMODULE provider, const char* name);
// Turns the heap watch on (heap::watching()), once a module's allocator
// calls go through its hooks.
void heapHooksPlaced();

} // namespace vesk_host

#endif
