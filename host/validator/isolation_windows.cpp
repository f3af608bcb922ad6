// The heap figures of load.repeat on Windows, from every heap of the process
// walked block by block.
#include "validator/isolation.h"

#include <windows.h>

#include <vector>

namespace vesk_host::validator {

std::optional<std::size_t> heapInUse()
{
    // Every heap of the process: the C runtime's (which the script's msvcrt.dll
    // shares) and the process heap, walked block by block.
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    if (count == 0 || count > heaps.size())
        return std::nullopt;
    std::size_t inUse = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i]))
            return std::nullopt;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                inUse += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return inUse;
}

const char* heapSource() { return "HeapWalk over the process's heaps"; }

} // namespace vesk_host::validator
