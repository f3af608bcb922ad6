#include "traps/pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

namespace vesk_host::pages {

std::size_t size()
{
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return page;
}

char* map(std::size_t bytes)
{
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
}

void unmap(char* base, std::size_t bytes) { munmap(base, bytes); }

bool open(char* base, std::size_t bytes) { return mprotect(base, bytes, PROT_READ | PROT_WRITE) == 0; }

bool close(char* base, std::size_t bytes) { return mprotect(base, bytes, PROT_NONE) == 0; }

void discard(char* base, std::size_t bytes) { madvise(base, bytes, MADV_DONTNEED); }

std::size_t mappingLimit()
{
    long limit = 65530;
    if (FILE* file = std::fopen("/proc/sys/vm/max_map_count", "r")) {
        long read = 0;
        if (std::fscanf(file, "%ld", &read) == 1 && read > 0)
            limit = read;
        std::fclose(file);
    }
    return static_cast<std::size_t>(limit);
}

} // namespace vesk_host::pages
