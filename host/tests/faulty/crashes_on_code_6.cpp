// Faulty: crashes on code 6, writing through a null pointer.
#include "quiet_script.h"

class CrashesOnCode6 : public QuietScript {
public:
    CrashesOnCode6(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder) {}
    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_6) {
            volatile int* volatile nowhere = 0;
            *nowhere = code;
        }
        return QuietScript::callback(data, code);
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new CrashesOnCode6(host, path);
}
