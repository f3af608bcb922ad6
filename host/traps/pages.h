// Whole pages of memory the host can open and close: what guarded reply
// memory and the record arena are made of. One implementation per
// platform (pages_posix.cpp: mmap and mprotect; pages_windows.cpp:
// VirtualAlloc and VirtualProtect). Every call is safe to make on memory
// this file mapped only; none allocates from the C heap.
#ifndef VESK_HOST_TRAPS_PAGES_H
#define VESK_HOST_TRAPS_PAGES_H

#include <cstddef>

namespace vesk_host::pages {

// The size of a page, in bytes.
std::size_t size();
// `bytes` (a whole number of pages) mapped readable and writable; null
// when the system refuses.
char* map(std::size_t bytes);
// Gives back what map() returned, whole.
void unmap(char* base, std::size_t bytes);
// Makes pages of a mapping readable and writable, or inaccessible; false
// when the system refuses.
bool open(char* base, std::size_t bytes);
bool close(char* base, std::size_t bytes);
// The pages' contents may go back to the system; they stay mapped, with
// their protection.
void discard(char* base, std::size_t bytes);
// How many separate mappings the process may hold (POSIX: the kernel's
// limit on mappings; Windows: a share of the 32-bit address space, each
// mapping taking at least the allocation granularity).
std::size_t mappingLimit();

} // namespace vesk_host::pages

#endif
