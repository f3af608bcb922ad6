// Alarm_Panel: a panel of alarm lamps ("alm_" controls) answered by the
// framework's alarm handling.
//
// With alarmHandling set, the framework takes "ActionAll" events named
// "alarm" and every "AckAll" event before onControl sees them, and applies
// the action to each "alm_" control of panel "1". Every other event,
// "ActionAll" events of another name included, reaches onControl, which
// shows the control and event name in "status".
// Owned by the host, made by load_vesk_client_script, ended through the
// virtual destructor.
#ifndef ALARM_PANEL_H
#define ALARM_PANEL_H

#include "vesk_script_helper.h"

class Alarm_Panel : public vesk_script_helper {
public:
    // Turns the alarm handling on and loads the panel file.
    Alarm_Panel(vesk_client_callback* host, const char* path);

    virtual void onControl(ControlEvent& event);
    virtual int onRevertive(RevertiveEvent& event);
    virtual vesk_string onParentQuery(ParentQuery& query);
    virtual void onTimer(int id);
};

#endif
