// The process watch on Windows: the script's modules reach the calls that
// change the process they share with the host through their import
// tables, where these hooks stand. Each notes the change (process_watch.h)
// while the watch is on and then makes the call: the working folder, the
// environment, the locale, the C runtime's descriptors 0 to 2 and the
// standard handles, the unhandled-exception filter and signal handlers
// (the host puts its own back after the call), and threads started. One
// runtime's function (the first seen) serves each name.
#include <windows.h>

#include <direct.h>
#include <io.h>
#include <locale.h>
#include <signal.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>

#include "traps/import_hooks_windows.h"
#include "traps/process_watch.h"

#define VESK_FROM_SCRIPT __attribute__((force_align_arg_pointer))

namespace vesk_host {

namespace {

using process::noteNumber;
using process::noteText;

// The function a hook stands for, by its name, with the type (calling
// convention included) of its declaration: one variable per name, since
// functions of one signature but different conventions (SetCurrentDirectoryA
// and _chdir) must never share one.
#define VESK_NEXT(name) next_##name
#define VESK_NEXT_OF(name) decltype(&::name) VESK_NEXT(name) = nullptr

VESK_NEXT_OF(SetCurrentDirectoryA);
VESK_NEXT_OF(SetCurrentDirectoryW);
VESK_NEXT_OF(_chdir);
VESK_NEXT_OF(SetEnvironmentVariableA);
VESK_NEXT_OF(SetEnvironmentVariableW);
VESK_NEXT_OF(_putenv);
VESK_NEXT_OF(setlocale);
VESK_NEXT_OF(_close);
VESK_NEXT_OF(_dup2);
VESK_NEXT_OF(SetStdHandle);
VESK_NEXT_OF(SetUnhandledExceptionFilter);
VESK_NEXT_OF(signal);
VESK_NEXT_OF(CreateThread);

VESK_FROM_SCRIPT BOOL WINAPI hook_SetCurrentDirectoryA(LPCSTR folder)
{
    noteText(process::workingFolder, "SetCurrentDirectoryA", folder);
    return VESK_NEXT(SetCurrentDirectoryA)(folder);
}
VESK_FROM_SCRIPT BOOL WINAPI hook_SetCurrentDirectoryW(LPCWSTR folder)
{
    noteText(process::workingFolder, "SetCurrentDirectoryW", "...");
    return VESK_NEXT(SetCurrentDirectoryW)(folder);
}
VESK_FROM_SCRIPT int __cdecl hook__chdir(const char* folder)
{
    noteText(process::workingFolder, "_chdir", folder);
    return VESK_NEXT(_chdir)(folder);
}
VESK_FROM_SCRIPT BOOL WINAPI hook_SetEnvironmentVariableA(LPCSTR name, LPCSTR value)
{
    noteText(process::environment, "SetEnvironmentVariableA", name);
    return VESK_NEXT(SetEnvironmentVariableA)(name, value);
}
VESK_FROM_SCRIPT BOOL WINAPI hook_SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value)
{
    noteText(process::environment, "SetEnvironmentVariableW", "...");
    return VESK_NEXT(SetEnvironmentVariableW)(name, value);
}
VESK_FROM_SCRIPT int __cdecl hook__putenv(const char* setting)
{
    noteText(process::environment, "_putenv", setting);
    return VESK_NEXT(_putenv)(setting);
}
VESK_FROM_SCRIPT char* __cdecl hook_setlocale(int category, const char* locale)
{
    // A query (a null locale) changes nothing.
    if (locale)
        noteText(process::locale, "setlocale", locale);
    return VESK_NEXT(setlocale)(category, locale);
}
VESK_FROM_SCRIPT int __cdecl hook__close(int fd)
{
    if (fd >= 0 && fd <= 2)
        noteNumber(process::descriptors, "_close", fd);
    return VESK_NEXT(_close)(fd);
}
VESK_FROM_SCRIPT int __cdecl hook__dup2(int from, int to)
{
    if (to >= 0 && to <= 2)
        noteNumber(process::descriptors, "_dup2 onto", to);
    return VESK_NEXT(_dup2)(from, to);
}
VESK_FROM_SCRIPT BOOL WINAPI hook_SetStdHandle(DWORD which, HANDLE handle)
{
    noteNumber(process::descriptors, "SetStdHandle", static_cast<long>(which));
    return VESK_NEXT(SetStdHandle)(which, handle);
}
VESK_FROM_SCRIPT LPTOP_LEVEL_EXCEPTION_FILTER WINAPI
hook_SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter)
{
    if (process::watching())
        process::note(process::signalDispositions, "SetUnhandledExceptionFilter()");
    return VESK_NEXT(SetUnhandledExceptionFilter)(filter);
}
using SignalHandler = void(__cdecl*)(int);
VESK_FROM_SCRIPT SignalHandler __cdecl hook_signal(int number, SignalHandler handler)
{
    noteNumber(process::signalDispositions, "signal", number);
    return VESK_NEXT(signal)(number, handler);
}

struct Started {
    LPTHREAD_START_ROUTINE start;
    void* argument;
};

// The script's thread, counted while it runs.
DWORD WINAPI runCounted(void* started)
{
    const Started copy = *static_cast<Started*>(started);
    HeapFree(GetProcessHeap(), 0, started);
    const DWORD result = copy.start(copy.argument);
    process::threadEnded();
    return result;
}

VESK_FROM_SCRIPT HANDLE WINAPI hook_CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                                 LPTHREAD_START_ROUTINE start, LPVOID argument, DWORD flags,
                                                 LPDWORD id)
{
    auto* started = process::watching() ? static_cast<Started*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Started)))
                                        : nullptr;
    if (!started)
        return VESK_NEXT(CreateThread)(security, stack, start, argument, flags, id);
    *started = Started{start, argument};
    process::threadStarted();
    const HANDLE made = VESK_NEXT(CreateThread)(security, stack, runCounted, started, flags, id);
    if (!made) {
        process::threadEnded();
        HeapFree(GetProcessHeap(), 0, started);
    }
    return made;
}

struct Hook {
    const char* name;
    void* hook;
    void** next;
};

#define VESK_HOOK(name) \
    { #name, reinterpret_cast<void*>(&hook_##name), reinterpret_cast<void**>(&VESK_NEXT(name)) }

const Hook hooks[] = {
    VESK_HOOK(SetCurrentDirectoryA), VESK_HOOK(SetCurrentDirectoryW), VESK_HOOK(_chdir),
    VESK_HOOK(SetEnvironmentVariableA), VESK_HOOK(SetEnvironmentVariableW), VESK_HOOK(_putenv),
    VESK_HOOK(setlocale), VESK_HOOK(_close), VESK_HOOK(_dup2), VESK_HOOK(SetStdHandle),
    VESK_HOOK(SetUnhandledExceptionFilter), VESK_HOOK(signal), VESK_HOOK(CreateThread),
};

} // namespace

void* processHookFor(const char*, HMODULE provider, const char* name)
{
    if (!provider)
        return nullptr;
    for (const Hook& hook : hooks) {
        if (std::strcmp(name, hook.name) != 0)
            continue;
        if (!*hook.next)
            *hook.next = exportedFunction<void*>(provider, name);
        return *hook.next ? hook.hook : nullptr;
    }
    return nullptr;
}

} // namespace vesk_host
