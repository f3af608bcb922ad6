// The script's modules on Windows: every module of the process but the
// host's program and the system's DLLs (those in the Windows folder), with
// the hooks of the heap watch, the exit watch and the process watch in
// their import tables.
#include "traps/script_modules.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "traps/import_hooks_windows.h"

namespace vesk_host {

namespace {

bool heapHooked = false;

void* anyHookFor(const char* dll, HMODULE provider, const char* name)
{
    if (void* hook = heapHookFor(dll, provider, name)) {
        heapHooked = true;
        return hook;
    }
    if (void* hook = exitHookFor(dll, provider, name))
        return hook;
    return processHookFor(dll, provider, name);
}

// Whether `path` lies in the folder `folder` names (case aside, as Windows reads paths).
bool inFolder(const char* path, const char* folder)
{
    const std::size_t length = std::strlen(folder);
    return length > 0 && _strnicmp(path, folder, length) == 0 && (path[length] == '\\' || path[length] == '/');
}

} // namespace

void watchScriptModules()
{
    char windowsFolder[MAX_PATH] = {};
    if (GetSystemWindowsDirectoryA(windowsFolder, sizeof windowsFolder) == 0)
        return;
    const HMODULE program = GetModuleHandleA(nullptr);
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module)) {
        if (module.hModule == program || inFolder(module.szExePath, windowsFolder))
            continue;
        hookImports(module.hModule, anyHookFor);
    }
    CloseHandle(snapshot);
    if (heapHooked)
        heapHooksPlaced();
}

} // namespace vesk_host
