// The heap watch on Windows: the script's modules call the C runtime's
// allocator through their import tables, where these hooks stand (placed
// by script_modules_windows.cpp). Each hook calls the runtime the module
// imported it from, and keeps the books while the script runs
// (heap_books.h), as the glibc interposer does for the whole process. A
// runtime is told by its module; up to four are told apart (msvcrt.dll,
// ucrtbase.dll, ...), a fifth is left unwatched.
#include <windows.h>

#include <cstring>

#include "traps/heap_books.h"
#include "traps/import_hooks_windows.h"

// Microsoft's x86 code keeps the stack only 4-byte aligned.
#define VESK_FROM_SCRIPT __attribute__((force_align_arg_pointer))

namespace vesk_host {

namespace {

using namespace heap;

// The books' own storage, from the process heap: never through a hooked runtime.
struct ProcessHeap {
    static void* allocate(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
    static void* allocateZeroed(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }
    static void release(void* block) { HeapFree(GetProcessHeap(), 0, block); }
};

ScriptBlocks<ProcessHeap> books;

std::optional<std::size_t> lookupBlock(const void* block) { return books.size(block); }

using Malloc = void*(__cdecl*)(std::size_t);
using Calloc = void*(__cdecl*)(std::size_t, std::size_t);
using Realloc = void*(__cdecl*)(void*, std::size_t);
using Free = void(__cdecl*)(void*);
using Strdup = char*(__cdecl*)(const char*);

// One C runtime's functions, and the hooks that call them.
template <int N>
struct Runtime {
    static inline HMODULE module = nullptr;
    static inline Malloc malloc_ = nullptr;
    static inline Calloc calloc_ = nullptr;
    static inline Realloc realloc_ = nullptr;
    static inline Free free_ = nullptr;
    static inline Strdup strdup_ = nullptr;

    static bool take(HMODULE runtime)
    {
        malloc_ = exportedFunction<Malloc>(runtime, "malloc");
        calloc_ = exportedFunction<Calloc>(runtime, "calloc");
        realloc_ = exportedFunction<Realloc>(runtime, "realloc");
        free_ = exportedFunction<Free>(runtime, "free");
        strdup_ = exportedFunction<Strdup>(runtime, "_strdup");
        if (!malloc_ || !calloc_ || !realloc_ || !free_)
            return false;
        module = runtime;
        return true;
    }

    VESK_FROM_SCRIPT static void* __cdecl hookMalloc(std::size_t size)
    {
        void* block = malloc_(size);
        books.allocated(block, size);
        return block;
    }
    VESK_FROM_SCRIPT static void* __cdecl hookCalloc(std::size_t count, std::size_t size)
    {
        void* block = calloc_(count, size);
        books.allocated(block, count * size);
        return block;
    }
    VESK_FROM_SCRIPT static void __cdecl hookFree(void* block)
    {
        if (block && books.counting() && !books.mayFree(block))
            return;
        free_(block);
    }
    VESK_FROM_SCRIPT static void* __cdecl hookRealloc(void* block, std::size_t size)
    {
        if (!block || !books.counting())
            return block ? realloc_(block, size) : hookMalloc(size);
        if (size == 0) {
            hookFree(block);
            return nullptr;
        }
        return books.reallocate(block, size, realloc_);
    }
    VESK_FROM_SCRIPT static char* __cdecl hookStrdup(const char* text)
    {
        char* copy = strdup_(text);
        if (copy)
            books.allocated(copy, std::strlen(copy) + 1);
        return copy;
    }

    static void* hookFor(const char* name)
    {
        if (std::strcmp(name, "malloc") == 0)
            return reinterpret_cast<void*>(&hookMalloc);
        if (std::strcmp(name, "calloc") == 0)
            return reinterpret_cast<void*>(&hookCalloc);
        if (std::strcmp(name, "realloc") == 0)
            return reinterpret_cast<void*>(&hookRealloc);
        if (std::strcmp(name, "free") == 0)
            return reinterpret_cast<void*>(&hookFree);
        if ((std::strcmp(name, "_strdup") == 0 || std::strcmp(name, "strdup") == 0) && strdup_)
            return reinterpret_cast<void*>(&hookStrdup);
        return nullptr;
    }
};

template <int N>
void* hookIn(HMODULE provider, const char* name)
{
    if constexpr (N == 4) {
        return nullptr;  // a fifth runtime: its calls go unwatched
    } else {
        if (Runtime<N>::module == provider)
            return Runtime<N>::hookFor(name);
        if (!Runtime<N>::module)
            return Runtime<N>::take(provider) ? Runtime<N>::hookFor(name) : nullptr;
        return hookIn<N + 1>(provider, name);
    }
}

bool isAllocatorName(const char* name)
{
    for (const char* known : {"malloc", "calloc", "realloc", "free", "_strdup", "strdup"})
        if (std::strcmp(name, known) == 0)
            return true;
    return false;
}

} // namespace

void* heapHookFor(const char*, HMODULE provider, const char* name)
{
    if (!provider || !isAllocatorName(name))
        return nullptr;
    return hookIn<0>(provider, name);
}

void heapHooksPlaced() { detail::lookup = lookupBlock; }

} // namespace vesk_host
