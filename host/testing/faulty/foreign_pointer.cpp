// Faulty: hands back a text of its own, and the status word of "PS".
#include "quiet_script.h"

namespace {
char ownText[] = "21";
}

class ForeignPointer : public QuietScript {
public:
    ForeignPointer(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        void* reply = sendRaw("SD 'ZEP SDI Router'");
        handBackRaw(ownText);
        handBackRaw(reply);
    }
    void onControl(ControlEvent&) override { handBackRaw(sendRaw("PS '1' 'panels/Rig_Vue.vesk_ui'")); }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new ForeignPointer(host, path);
}
