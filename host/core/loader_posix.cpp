#include "loader.h"

#include <dlfcn.h>

namespace vesk_host {

ScriptLibrary::~ScriptLibrary() { close(); }

void ScriptLibrary::close()
{
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
    entry_ = nullptr;
}

bool ScriptLibrary::open(const std::string& path, std::string& error)
{
    // A bare name would make dlopen search the system's folders; a script is always named by its path.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = dlerror();
        error = "cannot load the script library " + path + ": " + (reason ? reason : "unknown reason");
        return false;
    }
    dlerror();
    void* symbol = dlsym(handle_, VESK_LOAD_SYMBOL);
    if (!symbol) {
        error = "the script library " + path + " does not export " VESK_LOAD_SYMBOL;
        return false;
    }
    // Converting the object pointer dlsym returns is how POSIX hands out functions.
    entry_ = reinterpret_cast<vesk_load_function>(symbol);
    return true;
}

} // namespace vesk_host
