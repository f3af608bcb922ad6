// Rig_Vue event handling: control events, revertives, parent queries and
// timer ticks.
#include "Rig_Vue.h"

#include "Rig_Vue_constants.h"

using namespace rig_vue;

void Rig_Vue::onControl(ControlEvent& event)
{
    if (event.panelId() != panelNumber)
        return;
    const vesk_string control = event.controlId();
    if (control == sourcesControl) {
        if (event.eventName() != sourcesEvent)
            return;
        int package = event.eventValue();
        if (package <= 0)
            return;
        int videoSource = 0;
        int audioSource = 0;
        readRoutePair(package, sourceDatabase, videoSource, audioSource);
        if (videoFollow && videoSource != 0)
            routeSet(videoRouter, videoSource, videoDestination, "", false);
        if (audioFollow && audioSource != 0)
            routeSet(audioRouter, audioSource, audioDestination, "", false);
        timerSet(selectionTimer, selectionTimerInterval);
    } else if (control == videoToggleControl) {
        videoFollow = !videoFollow;
        showTally(videoFollow, videoTallyControl);
    } else if (control == audioToggleControl) {
        audioFollow = !audioFollow;
        showTally(audioFollow, audioTallyControl);
    }
}

int Rig_Vue::onRevertive(RevertiveEvent& event)
{
    const int device = event.deviceNumber();
    const int index = event.entryIndex();
    if (device == videoRouter && index == videoDestination)
        textSet(textProperty, event.contentText(), panelId, videoSourceControl);
    else if (device == audioRouter && index == audioDestination)
        textSet(textProperty, event.contentText(), panelId, audioSourceControl);
    return 0;
}

vesk_string Rig_Vue::onParentQuery(ParentQuery& query)
{
    // "_events" asks which notifications the panel wants: all of them. The
    // command list and the "return all" list are empty, and an empty answer
    // reaches the host as null.
    if (query.queryName() == queryEvents)
        return eventsAnswer;
    return vesk_string();
}

void Rig_Vue::onTimer(int id)
{
    timerKill(id);
    if (id == selectionTimer)
        textSet(clearSelection, panelId, sourcesControl);
}
