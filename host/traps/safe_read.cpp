#include "traps/safe_read.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#if defined(__linux__)
#include <sys/uio.h>
#endif
#endif

namespace vesk_host {

namespace {

constexpr std::size_t page = 4096;

// Copies `size` bytes at `from` into `to`; false when any of them cannot be read.
bool copyReadable(const void* from, void* to, std::size_t size)
{
#if defined(_WIN32)
    SIZE_T got = 0;
    return ReadProcessMemory(GetCurrentProcess(), from, to, size, &got) && got == size;
#else
#if defined(__linux__)
    iovec local{to, size};
    iovec remote{const_cast<void*>(from), size};
    const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (got >= 0 || (errno != ENOSYS && errno != EPERM))
        return got == static_cast<ssize_t>(size);
#endif
    // Where the kernel will not copy for us: through a pipe, whose write
    // fails with EFAULT on memory it cannot read.
    static int through[2] = {-1, -1};
    if (through[0] < 0 && pipe(through) != 0)
        return false;
    const ssize_t written = write(through[1], from, size);
    if (written <= 0)
        return false;
    const ssize_t read = ::read(through[0], to, static_cast<std::size_t>(written));
    return written == static_cast<ssize_t>(size) && read == written;
#endif
}

} // namespace

TextRead readScriptText(const void* at, std::size_t bound, std::string& into)
{
    into.clear();
    if (!at)
        return TextRead::unreadable;
    auto address = reinterpret_cast<std::uintptr_t>(at);
    char chunk[page];
    while (into.size() < bound) {
        // Never across a page: the readable part of a text that ends near an unreadable page is still read.
        const std::size_t toPageEnd = page - (address % page);
        const std::size_t size = std::min(toPageEnd, bound - into.size());
        if (!copyReadable(reinterpret_cast<const void*>(address), chunk, size))
            return TextRead::unreadable;
        const void* nul = std::memchr(chunk, '\0', size);
        if (nul) {
            into.append(chunk, static_cast<const char*>(nul) - chunk);
            return TextRead::text;
        }
        into.append(chunk, size);
        address += size;
    }
    return TextRead::unterminated;
}

} // namespace vesk_host
