// Faulty: loads the bundled panel like Rig_Vue, then fails on a press:
// "WFM_Mon" writes through a null pointer, "Audio_Mon" ends the process
// with exit(7), "Sources" never returns. The live page's tests use it to
// show each way a script can take its process down.
#include <stdlib.h>

#include "quiet_script.h"

class FaultsOnPress : public QuietScript {
public:
    FaultsOnPress(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        panelLoad("1", "Rig_Vue.vesk_ui", "");
    }
    void onControl(ControlEvent& event) override
    {
        const vesk_string control = event.controlId();
        if (control == "WFM_Mon") {
            volatile int* volatile nowhere = 0;
            *nowhere = 1;
        } else if (control == "Audio_Mon") {
            exit(7);
        } else if (control == "Sources") {
            for (;;)
                spins = spins + 1;
        }
    }

private:
    volatile unsigned spins = 0;
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new FaultsOnPress(host, path);
}
