// The script library's one export.
#include "Router_Watch.h"

extern "C" VESK_SCRIPT_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host,
                                                                                      const char* path)
{
    // Scripts allocate on the C heap without throwing: null when out of memory.
    return new Router_Watch(host, path);
}
