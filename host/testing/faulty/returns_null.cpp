// Faulty: the export makes no script.
#include "quiet_script.h"

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback*, const char*)
{
    return 0;
}
