#include "abi/loader.h"

#include <dlfcn.h>

#include "abi/library_format.h"
#include "base/files.h"

namespace vesk_host {

ScriptLibrary::~ScriptLibrary() { close(); }

void ScriptLibrary::close()
{
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
    entry_ = nullptr;
}

Status ScriptLibrary::open(const std::string& path)
{
    // A bare name would make dlopen search the system's folders; a script is always named by its path.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    // The loader words these cases unclearly ("No such file or directory" for a
    // library of the wrong class, say), so the file is looked at first.
    if (const Status readable = checkReadable(name); !readable)
        return fail(ErrorKind::notLoadable, "cannot load the script library " + path + ": " + readable.error().message);
    if (const Status loadable = checkLibraryFile(name); !loadable)
        return placed("cannot load the script library " + path, loadable.error());
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = dlerror();
        return fail(ErrorKind::notLoadable,
                    "cannot load the script library " + path + ": " + (reason ? reason : "unknown reason"));
    }
    dlerror();
    void* symbol = dlsym(handle_, VESK_LOAD_SYMBOL);
    if (!symbol)
        return fail(ErrorKind::notLoadable, "the script library " + path + " does not export " VESK_LOAD_SYMBOL);
    // Converting the object pointer dlsym returns is how POSIX hands out functions.
    entry_ = reinterpret_cast<vesk_load_function>(symbol);
    return Done{};
}

} // namespace vesk_host
