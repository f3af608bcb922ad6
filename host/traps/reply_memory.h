// Where the host keeps the reply texts it hands the script. Guarded memory
// (the default where the platform has it) puts each text in pages of its
// own, its NUL on the last readable byte with an inaccessible page after
// it, and makes the pages inaccessible once the text is handed back, so a
// read past the end or after the hand-back faults at once, inside the
// script's call. Plain memory is the C heap. Either way a text handed back
// stays out of reuse for a while (the quarantine), so a second or late
// hand-back is told apart from the hand-back of a newer reply, and no block
// is ever freed twice.
#ifndef VESK_HOST_REPLY_MEMORY_H
#define VESK_HOST_REPLY_MEMORY_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vesk_host {

enum class MemoryKind { guarded, plain };

// Bytes of handed-back texts the quarantine holds at most.
constexpr std::size_t quarantineBytes = 16 * 1024 * 1024;

const char* memoryKindName(MemoryKind kind);
std::optional<MemoryKind> memoryKindNamed(std::string_view name);
// Whether guarded memory works here.
bool guardedMemoryAvailable();

// What a fault inside a guarded text means.
enum class FaultKind { none, pastEnd, afterRelease };

class ReplyMemory {
public:
    virtual ~ReplyMemory() = default;
    virtual MemoryKind kind() const = 0;
    // A block of `size` bytes (size > 0), readable and writable; never null.
    // `label` (copied in quotes, cut to a fixed length) names the block in fault reports.
    virtual char* allocate(std::size_t size, std::string_view label) = 0;
    // The block is handed back: inaccessible (guarded) and out of reuse until
    // it leaves the quarantine. Adds to `gone` the blocks that left the
    // quarantine to make room (the oldest first); the caller forgets what it
    // kept about those.
    virtual void retire(char* block, std::size_t size, std::vector<const char*>& gone) = 0;
    // Frees a block at once, without quarantine (the host's own words).
    virtual void free(char* block, std::size_t size) = 0;
    // How many handed-back blocks stay out of reuse (and at most
    // quarantineBytes of them).
    virtual std::size_t quarantineLength() const = 0;
    // What a block of `size` bytes costs the process while it lives (whole
    // pages and a guard page for guarded memory): what the memory budget counts.
    virtual std::size_t footprint(std::size_t size) const { return size; }
    // Why guarded memory gave way to plain memory for the rest of the run
    // (the process's limit on mappings, a failed mmap or mprotect); null while it has not.
    virtual const char* fellBack() const { return nullptr; }
};

// Guarded memory when `kind` asks for it and the platform has it, plain otherwise.
std::unique_ptr<ReplyMemory> makeReplyMemory(MemoryKind kind);
// Plain memory, always.
std::unique_ptr<ReplyMemory> makePlainReplyMemory();

// For a fault at `address`: whether it lies in a guarded text or its guard,
// and the label of that text, written into `label` (NUL-ended, cut to
// `size`). Safe in a signal handler: it reads fixed tables only.
FaultKind describeFault(const void* address, char* label, std::size_t size);

} // namespace vesk_host

#endif
