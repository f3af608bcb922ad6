// Alarm_Panel: start-up and the handlers of what the alarm handling leaves.
#include "Alarm_Panel.h"

namespace {

const char panel[] = "1";
const char panelFile[] = "Alarm_Panel.vesk_ui";
const char statusControl[] = "status";
const char textProperty[] = "text";

} // namespace

Alarm_Panel::Alarm_Panel(vesk_client_callback* hostLink, const char* folder)
    : vesk_script_helper(hostLink, folder)
{
    alarmHandling = true;
    panelLoad(panel, panelFile, "");
}

void Alarm_Panel::onControl(ControlEvent& event)
{
    if (event.panelId() != panel)
        return;
    vesk_string shown = event.controlId();
    shown += " ";
    shown += event.eventName();
    textSet(textProperty, shown, panel, statusControl);
}

int Alarm_Panel::onRevertive(RevertiveEvent&) { return 0; }

vesk_string Alarm_Panel::onParentQuery(ParentQuery& query)
{
    if (query.queryName() == "_events")
        return "notify=*";
    return vesk_string();
}

// The panel starts no timer; a tick it did not ask for is ignored.
void Alarm_Panel::onTimer(int) {}
