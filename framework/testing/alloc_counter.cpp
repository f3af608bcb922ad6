#include "alloc_counter.h"

#include <atomic>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::size_t> allocations{0};
std::atomic<std::size_t> bytes{0};
std::atomic<int> scopes{0};

void note(std::size_t size)
{
    if (scopes.load(std::memory_order_relaxed) > 0) {
        allocations.fetch_add(1, std::memory_order_relaxed);
        bytes.fetch_add(size, std::memory_order_relaxed);
    }
}

} // namespace

extern "C" {

void* malloc(std::size_t size)
{
    note(size);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    note(count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size)
{
    note(size);
    return __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

} // extern "C"

AllocScope::AllocScope() : start_{allocations.load(), bytes.load()} { scopes.fetch_add(1); }

AllocScope::~AllocScope() { scopes.fetch_sub(1); }

AllocCount AllocScope::count() const { return {allocations.load() - start_.allocations, bytes.load() - start_.bytes}; }
