// Faulty: keeps the reply it reads when package 5 is chosen, and only then,
// so that a long run of events finds it.
#include <string.h>

#include "quiet_script.h"

class BreaksOnPackage5 : public QuietScript {
public:
    BreaksOnPackage5(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        panelLoad("1", "Rig_Vue.vesk_ui", "");
    }
    void onControl(ControlEvent& event) override
    {
        const vesk_string value = event.eventValue();
        if (strcmp(value, "5") == 0)
            sendRaw("RN 12 0 5");
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new BreaksOnPackage5(host, path);
}
