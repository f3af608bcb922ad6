// Faulty: never hands a reply back, once at start-up and once in a handler.
#include "quiet_script.h"

class KeepsReply : public QuietScript {
public:
    KeepsReply(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        sendRaw("SD 'ZEP SDI Router'");
    }
    void onControl(ControlEvent&) override { sendRaw("RN 12 0 1"); }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new KeepsReply(host, path);
}
