// Faulty: says "AS" itself in its destructor, then keeps sending.
#include "quiet_script.h"

class SendsAfterEnd : public QuietScript {
public:
    SendsAfterEnd(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder) {}
    ~SendsAfterEnd()
    {
        scriptClose();
        revertiveUnregister(21);
        timerKill(1);
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new SendsAfterEnd(host, path);
}
