// Faulty: crashes on code 6, writing into the first page, which is never
// mapped (an address near null, not null itself, so that a sanitizer's null
// check does not stop the process before it crashes as it would in a host).
#include "quiet_script.h"

class CrashesOnCode6 : public QuietScript {
public:
    CrashesOnCode6(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder) {}
    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_6) {
            volatile int* volatile nowhere = reinterpret_cast<volatile int*>(16);
            *nowhere = code;
        }
        return QuietScript::callback(data, code);
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new CrashesOnCode6(host, path);
}
