// The base of the deliberately faulty test scripts: a script that answers
// every event with nothing, so each faulty script shows only its one fault.
#ifndef VESK_HOST_TEST_QUIET_SCRIPT_H
#define VESK_HOST_TEST_QUIET_SCRIPT_H

#include "vesk_script_helper.h"

#if defined(_WIN32)
#  define FAULTY_EXPORT extern "C" __declspec(dllexport)
#else
#  define FAULTY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

class QuietScript : public vesk_script_helper {
public:
    QuietScript(vesk_client_callback* hostLink, const char* folder) : vesk_script_helper(hostLink, folder) {}

    void onControl(ControlEvent&) override {}
    int onRevertive(RevertiveEvent&) override { return 0; }
    vesk_string onParentQuery(ParentQuery&) override { return vesk_string(); }
    void onTimer(int) override {}

protected:
    // Sends a command past the framework's helpers, which always keep the release rule.
    void* sendRaw(const char* text) { return host ? host->callback(const_cast<char*>(text), VESK_CODE_COMMAND) : 0; }
    void handBackRaw(void* reply)
    {
        if (host)
            host->callback(reply, VESK_CODE_RELEASE);
    }
};

#endif
