// Where the platform has no guarded memory (Windows builds): plain memory only.
#include "traps/reply_memory.h"

namespace vesk_host {

bool guardedMemoryAvailable() { return false; }

std::unique_ptr<ReplyMemory> makeGuardedReplyMemory() { return nullptr; }

FaultKind describeFault(const void*, char* label, std::size_t size)
{
    if (size > 0)
        label[0] = '\0';
    return FaultKind::none;
}

} // namespace vesk_host
