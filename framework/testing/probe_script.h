// ProbeScript: a script for framework tests. It records each handler call
// and answers parent queries with a set text.
#ifndef VESK_TEST_PROBE_SCRIPT_H
#define VESK_TEST_PROBE_SCRIPT_H

#include <string>
#include <vector>

#include "vesk_script_helper.h"

class ProbeScript : public vesk_script_helper {
public:
    ProbeScript(vesk_client_callback* host, const char* path = "") : vesk_script_helper(host, path) {}

    void onControl(ControlEvent& event) override;
    int onRevertive(RevertiveEvent& event) override;
    vesk_string onParentQuery(ParentQuery& query) override;
    void onCode7(CallbackWord& word) override;
    void onTimer(int id) override;
    void onCode6(CallbackWord& word) override;

    void setAlarmHandling(bool on) { alarmHandling = on; }
    bool alarmHandlingOn() const { return alarmHandling; }
    const vesk_string& folder() const { return path; }

    // One line per handler call, e.g. "control 1 Sources index=3".
    std::vector<std::string> calls;
    std::string answer;
};

#endif
