// Panel-wide alarm controls answered on the script's behalf while
// alarmHandling is set: "ActionAll" (event "alarm") applies its value to
// every "alm_" control of panel "1"; "AckAll" acknowledges them all.
#include "vesk_script_helper.h"

namespace {

const char actionControl[] = "ActionAll";
const char actionEvent[] = "alarm";
const char acknowledgeControl[] = "AckAll";
const char acknowledgeAction[] = "ack";
const char acknowledgeAllAction[] = "4";
const char alarmPrefix[] = "alm_";
const char alarmPanel[] = "1";
const char alarmProperty[] = "alarm";
const char valueProperty[] = "value";
const char acknowledgedValue[] = "4";

const int acknowledgeCode = 4;
const int noValueCode = -1;

// Values that an acknowledge leaves as they are.
bool keptOnAcknowledge(int value) { return value == 0 || (value >= 2 && value <= 5); }

} // namespace

bool vesk_script_helper::interceptAlarm(const ControlEvent& event)
{
    vesk_string control = event.controlId();
    if (control == actionControl && event.eventName() == actionEvent) {
        alarmAction(event.eventValue());
        return true;
    }
    if (control == acknowledgeControl) {
        alarmAction(acknowledgeAllAction);
        return true;
    }
    return false;
}

void vesk_script_helper::alarmAction(const vesk_string& action)
{
    // A host may answer one of the walk's own commands with a control event
    // (a listed "ActionAll" whose "alarm" property was just set, say). That
    // nested action is dropped: the walk under way already acts on every
    // control, and starting another from inside it could recurse for ever.
    if (alarmActionRunning)
        return;
    alarmActionRunning = true;

    int alarmCode = noValueCode;
    if (action == acknowledgeAction)
        alarmCode = acknowledgeCode;
    else if (action.length() == 1)
        alarmCode = action.toInt();

    const vesk_string panel(alarmPanel);
    const vesk_stringlist controls = controlList(panel, alarmPrefix);
    for (vesk_stringlistIterator it = controls.begin(); it != controls.end(); ++it) {
        // Every identifier as the host listed it: the host matched the
        // pattern, so an empty or unprefixed one is acted on too.
        const vesk_string& control = *it;
        textSet(alarmProperty, action, panel, control);
        if (alarmCode == acknowledgeCode) {
            vesk_string current;
            textGet(valueProperty, panel, control, current);
            if (!keptOnAcknowledge(current.toInt()))
                textSet(valueProperty, acknowledgedValue, panel, control);
        } else if (alarmCode != noValueCode) {
            textSet(valueProperty, vesk_string(alarmCode, 0, 0, 10), panel, control);
        }
    }
    alarmActionRunning = false;
}
