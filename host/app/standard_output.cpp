#include "standard_output.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

namespace vesk_host {

void useBinaryStandardOutput()
{
#if defined(_WIN32)
    // The C runtime would otherwise turn every "\n" into "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

} // namespace vesk_host
