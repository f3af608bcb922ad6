// Stands in front of glibc's allocator for the whole process: every
// allocation and free goes on to glibc (__libc_malloc and friends), and
// those made while the script runs (heap::ScriptScope) are counted and
// kept in a table of live script blocks. A free() inside the script of a
// block it does not own (a host text, or its own block a second time) is
// told to the free guard and skipped, so the C library never aborts on it.
// Linked into vesk_host on glibc builds without sanitizers, which bring an
// allocator of their own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "traps/heap_books.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* block);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
}

namespace {

using namespace vesk_host::heap;

struct Glibc {
    static void* allocate(std::size_t bytes) { return __libc_malloc(bytes); }
    static void* allocateZeroed(std::size_t bytes) { return __libc_calloc(1, bytes); }
    static void release(void* block) { __libc_free(block); }
};

ScriptBlocks<Glibc> books;

bool counting() { return ScriptBlocks<Glibc>::counting(); }

void allocated(void* block, std::size_t size) { books.allocated(block, size); }

std::optional<std::size_t> lookupBlock(const void* block) { return books.size(block); }

// Another allocator may stand in front of this one (valgrind's replaces
// malloc wherever it is defined): the watch turns on only when a block
// allocated as the script's shows in its table. Called through a pointer,
// so that the call is not inlined past whoever owns malloc.
void* (*volatile probeAllocate)(std::size_t) = malloc;

__attribute__((constructor)) void startWatching()
{
    ++detail::depth;
    void* probe = probeAllocate(1);
    --detail::depth;
    const auto seen = books.forget(probe);
    free(probe);  // not counted: straight to whoever allocated it
    if (seen)
        detail::lookup = lookupBlock;
}

} // namespace

extern "C" {

void* malloc(std::size_t size)
{
    void* block = __libc_malloc(size);
    allocated(block, size);
    return block;
}

void free(void* block)
{
    if (block && counting() && !books.mayFree(block))
        return;
    __libc_free(block);
}

void* calloc(std::size_t count, std::size_t size)
{
    void* block = __libc_calloc(count, size);
    allocated(block, count * size);
    return block;
}

void* realloc(void* block, std::size_t size)
{
    if (!block || !counting())
        return block ? __libc_realloc(block, size) : malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    return books.reallocate(block, size, __libc_realloc);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    void* block = __libc_memalign(alignment, size);
    allocated(block, size);
    return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return 22;  // EINVAL
    void* block = memalign(alignment, size);
    if (!block)
        return 12;  // ENOMEM
    *result = block;
    return 0;
}

void* valloc(std::size_t size)
{
    void* block = __libc_valloc(size);
    allocated(block, size);
    return block;
}

void* pvalloc(std::size_t size)
{
    void* block = __libc_pvalloc(size);
    allocated(block, size);
    return block;
}

} // extern "C"
