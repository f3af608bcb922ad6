#include "loader.h"

#include <windows.h>

namespace vesk_host {

ScriptLibrary::~ScriptLibrary()
{
    if (handle_)
        FreeLibrary(static_cast<HMODULE>(handle_));
}

bool ScriptLibrary::open(const std::string& path, std::string& error)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error = "cannot load the script library " + path + ": Windows error " + std::to_string(GetLastError());
        return false;
    }
    handle_ = module;
    FARPROC symbol = GetProcAddress(module, VESK_LOAD_SYMBOL);
    if (!symbol) {
        error = "the script library " + path + " does not export " VESK_LOAD_SYMBOL;
        return false;
    }
    entry_ = reinterpret_cast<vesk_load_function>(reinterpret_cast<void*>(symbol));
    return true;
}

} // namespace vesk_host
