// Pages on Windows: each mapping reserved and committed at once with
// VirtualAlloc, closed with PAGE_NOACCESS. A mapping takes at least the
// allocation granularity (64 KiB) of the 2 GiB a 32-bit process has.
#include "traps/pages.h"

#include <windows.h>

namespace vesk_host::pages {

std::size_t size()
{
    static const std::size_t page = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<std::size_t>(info.dwPageSize);
    }();
    return page;
}

char* map(std::size_t bytes)
{
    return static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void unmap(char* base, std::size_t) { VirtualFree(base, 0, MEM_RELEASE); }

bool open(char* base, std::size_t bytes)
{
    DWORD before = 0;
    return VirtualProtect(base, bytes, PAGE_READWRITE, &before) != 0;
}

bool close(char* base, std::size_t bytes)
{
    DWORD before = 0;
    return VirtualProtect(base, bytes, PAGE_NOACCESS, &before) != 0;
}

void discard(char* base, std::size_t bytes) { VirtualAlloc(base, bytes, MEM_RESET, PAGE_NOACCESS); }

// 32768 mappings of 64 KiB: a quarter of the address space is the most the
// reply memory (a quarter of this, two each) and the arena take.
std::size_t mappingLimit() { return 32768; }

} // namespace vesk_host::pages
