#include "abi/loader.h"

#include <windows.h>

namespace vesk_host {

ScriptLibrary::~ScriptLibrary() { close(); }

void ScriptLibrary::close()
{
    if (handle_)
        FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
    entry_ = nullptr;
}

Status ScriptLibrary::open(const std::string& path)
{
    // Named by its full path, the DLLs a script library imports (vesk_string.dll)
    // are looked for in its own folder first, where they are installed beside
    // it, not in the emulator's folder, whose vesk_string.dll may be of
    // another C++ layout.
    char full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    HMODULE module = length > 0 && length < sizeof full ? LoadLibraryExA(full, NULL, LOAD_WITH_ALTERED_SEARCH_PATH)
                                                        : nullptr;
    if (!module) {
        return fail(ErrorKind::notLoadable,
                    "cannot load the script library " + path + ": Windows error " + std::to_string(GetLastError()));
    }
    handle_ = module;
    FARPROC symbol = GetProcAddress(module, VESK_LOAD_SYMBOL);
    if (!symbol)
        return fail(ErrorKind::notLoadable, "the script library " + path + " does not export " VESK_LOAD_SYMBOL);
    entry_ = reinterpret_cast<vesk_load_function>(reinterpret_cast<void*>(symbol));
    return Done{};
}

} // namespace vesk_host
