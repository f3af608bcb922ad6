// Faulty: never returns from a timer tick.
#include "quiet_script.h"

class HangsInTick : public QuietScript {
public:
    HangsInTick(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder) {}
    void onTimer(int) override
    {
        for (;;)
            spins = spins + 1;
    }

private:
    volatile unsigned spins = 0;
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new HangsInTick(host, path);
}
