// Faulty: counts presses in a static, which every instance made from the
// loaded module shares, and shows the count on its panel.
#include <stdio.h>

#include "quiet_script.h"

namespace {

int presses = 0;

} // namespace

class CountsPresses : public QuietScript {
public:
    CountsPresses(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        panelLoad("1", "Rig_Vue.vesk_ui", "");
    }
    void onControl(ControlEvent&) override
    {
        char shown[32];
        snprintf(shown, sizeof shown, "%d", ++presses);
        textSet("text", shown, "1", "video_source");
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new CountsPresses(host, path);
}
