// Faulty: hands the same reply back twice.
#include "quiet_script.h"

class HandsBackTwice : public QuietScript {
public:
    HandsBackTwice(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        void* reply = sendRaw("SD 'ZEP SDI Router'");
        handBackRaw(reply);
        handBackRaw(reply);
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new HandsBackTwice(host, path);
}
