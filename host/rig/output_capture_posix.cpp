// What the script prints on POSIX: an anonymous file (memfd) under
// descriptors 1 and 2, its first page mapped to see at no cost whether
// anything came.
#include "rig/output_capture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vesk_host {

namespace {

int anonymousFile()
{
#if defined(__linux__)
    const int fd = memfd_create("vesk-script-output", MFD_CLOEXEC);
    if (fd >= 0)
        return fd;
#endif
    char name[] = "/tmp/vesk-script-output-XXXXXX";
    const int fd2 = mkstemp(name);
    if (fd2 >= 0)
        unlink(name);
    return fd2;
}

} // namespace

bool OutputCapture::start()
{
    std::fflush(nullptr);
    const int fd = anonymousFile();
    if (fd < 0)
        return false;
    // 1 and 2 share the file and its offset with fd_: emptying it through
    // fd_ sends their next writes to its start.
    if (dup2(fd, STDOUT_FILENO) < 0 || dup2(fd, STDERR_FILENO) < 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    // Sized (zeroes) and mapped: the first byte a call prints shows in the mapping.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    if (ftruncate(fd, static_cast<off_t>(page)) == 0) {
        void* mapped = mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, 0);
        if (mapped != MAP_FAILED) {
            watched_ = static_cast<const char*>(mapped);
            watchedSize_ = page;
        }
    }
    return true;
}

std::size_t OutputCapture::take(char* into, std::size_t size, std::size_t& dropped)
{
    if (fd_ < 0)
        return 0;
    // Nothing printed leaves the first byte a zero (a text that starts with a
    // NUL waits for the next call that prints anything else).
    if (watched_ && watched_[0] == '\0')
        return 0;
    const off_t end = lseek(fd_, 0, SEEK_CUR);
    if (end <= 0)
        return 0;
    std::size_t wanted = static_cast<std::size_t>(end) < size ? static_cast<std::size_t>(end) : size;
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t read = pread(fd_, into + got, wanted - got, static_cast<off_t>(got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    dropped += static_cast<std::size_t>(end) - got;
    // Emptied, and zeroed again where it is watched.
    if (ftruncate(fd_, 0) == 0 && (!watched_ || ftruncate(fd_, static_cast<off_t>(watchedSize_)) == 0))
        lseek(fd_, 0, SEEK_SET);
    return got;
}

} // namespace vesk_host

