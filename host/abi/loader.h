// Loading a script library and finding its export. The only code that
// knows how the platform loads libraries (dlopen or LoadLibraryExA) lives
// behind this interface, in loader_posix.cpp and loader_windows.cpp.
#ifndef VESK_HOST_LOADER_H
#define VESK_HOST_LOADER_H

#include <string>

#include "base/result.h"
#include "vesk_client_callback.h"

namespace vesk_host {

class ScriptLibrary {
public:
    ScriptLibrary() = default;
    // Unloads the library; every script made from it must have ended.
    ~ScriptLibrary();

    ScriptLibrary(const ScriptLibrary&) = delete;
    ScriptLibrary& operator=(const ScriptLibrary&) = delete;

    // Loads `path` and finds load_vesk_client_script; on failure says why.
    Status open(const std::string& path);
    vesk_load_function entry() const { return entry_; }
    // Unloads the library now (its static destructors run); every script
    // made from it must have ended.
    void close();

private:
    void* handle_ = nullptr;
    vesk_load_function entry_ = nullptr;
};

} // namespace vesk_host

#endif
