#include "loader.h"

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
    // With an absolute path, the DLLs a script library imports (vesk_string.dll)
    // are looked for in its own folder first, where they are installed beside it.
    const bool absolute = path.size() > 2 && ((path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
                                              (path[0] == '\\' && path[1] == '\\'));
    HMODULE module = absolute ? LoadLibraryExA(path.c_str(), NULL, LOAD_WITH_ALTERED_SEARCH_PATH)
                              : LoadLibraryA(path.c_str());
    if (!module) {
        return fail("cannot load the script library " + path + ": Windows error " + std::to_string(GetLastError()));
    }
    handle_ = module;
    FARPROC symbol = GetProcAddress(module, VESK_LOAD_SYMBOL);
    if (!symbol)
        return fail("the script library " + path + " does not export " VESK_LOAD_SYMBOL);
    entry_ = reinterpret_cast<vesk_load_function>(reinterpret_cast<void*>(symbol));
    return Done{};
}

} // namespace vesk_host
