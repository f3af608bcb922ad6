#include "validator/isolation.h"

#include <cstddef>


#if defined(__SANITIZE_ADDRESS__)
#define VESK_HOST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_HOST_ASAN 1
#endif
#endif

#if defined(VESK_HOST_ASAN)
// The sanitizer runtime's count of bytes allocated and not freed; declared
// here as not every compiler ships <sanitizer/allocator_interface.h>.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vesk_host::validator {

std::optional<std::size_t> heapInUse()
{
#if defined(VESK_HOST_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 info = mallinfo2();
    const std::size_t inUse = info.uordblks + info.hblkhd;
    // Nothing at all in use means another allocator stands in (valgrind's) and glibc's figures are idle.
    if (inUse == 0)
        return std::nullopt;
    return inUse;
#else
    return std::nullopt;
#endif
}

const char* heapSource()
{
#if defined(VESK_HOST_ASAN)
    return "AddressSanitizer's allocated bytes";
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    return "glibc mallinfo2";
#else
    return "nothing on this platform";
#endif
}

} // namespace vesk_host::validator
