// The exit watch on Windows: the script's modules reach exit(), _exit(),
// abort() and ExitProcess() through their import tables, where these hooks
// stand. Inside a call into the script the fatal watch names the way out
// and ends the process itself; otherwise the call goes on to the function
// it was meant for.
#include <windows.h>

#include <cstring>

#include "traps/fatal_exit.h"
#include "traps/import_hooks_windows.h"

#define VESK_FROM_SCRIPT __attribute__((force_align_arg_pointer))

namespace vesk_host {

namespace {

using ExitFunction = void(__cdecl*)(int);
using AbortFunction = void(__cdecl*)();
using ExitProcessFunction = void(WINAPI*)(UINT);

// The functions the hooks stand for; one runtime's (the first seen) serves all.
ExitFunction exitNext = nullptr;
ExitFunction underscoreExitNext = nullptr;
AbortFunction abortNext = nullptr;
ExitProcessFunction exitProcessNext = nullptr;

VESK_FROM_SCRIPT void __cdecl hookExit(int code)
{
    fatal::exitCalled("exit()");
    exitNext(code);
}

VESK_FROM_SCRIPT void __cdecl hookUnderscoreExit(int code)
{
    fatal::exitCalled("_exit()");
    underscoreExitNext(code);
}

VESK_FROM_SCRIPT void __cdecl hookAbort()
{
    fatal::abortCalled();
    abortNext();
}

VESK_FROM_SCRIPT void WINAPI hookExitProcess(UINT code)
{
    fatal::exitCalled("ExitProcess()");
    exitProcessNext(code);
}

template <class Function>
void* hookOnce(Function& next, HMODULE provider, const char* name, Function hook)
{
    if (!next)
        next = exportedFunction<Function>(provider, name);
    return next ? reinterpret_cast<void*>(hook) : nullptr;
}

} // namespace

void* exitHookFor(const char*, HMODULE provider, const char* name)
{
    if (!provider)
        return nullptr;
    if (std::strcmp(name, "exit") == 0)
        return hookOnce(exitNext, provider, name, &hookExit);
    if (std::strcmp(name, "_exit") == 0 || std::strcmp(name, "_Exit") == 0)
        return hookOnce(underscoreExitNext, provider, name, &hookUnderscoreExit);
    if (std::strcmp(name, "abort") == 0)
        return hookOnce(abortNext, provider, name, &hookAbort);
    if (std::strcmp(name, "ExitProcess") == 0)
        return hookOnce(exitProcessNext, provider, name, &hookExitProcess);
    return nullptr;
}

} // namespace vesk_host
