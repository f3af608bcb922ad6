// Faulty: allocates a block at every load and never frees it.
#include <stdlib.h>

#include "quiet_script.h"

class LeaksPerLoad : public QuietScript {
public:
    LeaksPerLoad(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        lost = malloc(48);
    }

private:
    void* lost;
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new LeaksPerLoad(host, path);
}
