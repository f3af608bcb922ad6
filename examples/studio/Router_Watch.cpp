// Router_Watch: start-up, the two buttons and the revertives it shows.
#include "Router_Watch.h"

namespace {

const char panel[] = "1";
const char panelFile[] = "Router_Watch.vesk_ui";

const char xptsInstance[] = "ZEP Package XPTS";
const char videoRouterInstance[] = "ZEP SDI Router";
const char audioRouterInstance[] = "ZEP Audio Router";
// Entry 362 of database 1: this position's destinations "video,audio".
const int destinationDatabase = 1;
const int destinationEntry = 362;

const char videoControl[] = "video";
const char audioControl[] = "audio";
const char statusControl[] = "status";
const char releaseControl[] = "Release";
const char watchControl[] = "Watch";
const char textProperty[] = "text";

} // namespace

Router_Watch::Router_Watch(vesk_client_callback* hostLink, const char* folder)
    : vesk_script_helper(hostLink, folder), videoRouter(0), audioRouter(0), videoDestination(0), audioDestination(0)
{
    int xpts = 0;
    deviceLookup(xptsInstance, &xpts, 0);
    deviceLookup(videoRouterInstance, &videoRouter, 0);
    deviceLookup(audioRouterInstance, &audioRouter, 0);
    vesk_string pair;
    databaseRead(xpts, destinationDatabase, destinationEntry, pair);
    vesk_string video;
    vesk_string audio;
    pair.split(',', video, audio);
    videoDestination = video.toInt();
    audioDestination = audio.toInt();
    panelLoad(panel, panelFile, "");
    watch(true);
}

Router_Watch::~Router_Watch() { watch(false); }

void Router_Watch::watch(bool on)
{
    if (!on) {
        revertiveUnregister(videoRouter);
        revertiveUnregister(audioRouter);
        return;
    }
    revertiveRegister(videoRouter, videoDestination, videoDestination, false);
    revertiveRegister(audioRouter, audioDestination, audioDestination, false);
    revertivePoll(videoRouter, videoDestination, videoDestination);
    revertivePoll(audioRouter, audioDestination, audioDestination);
}

void Router_Watch::onControl(ControlEvent& event)
{
    if (event.panelId() != panel)
        return;
    const vesk_string control = event.controlId();
    if (control == releaseControl) {
        watch(false);
        textSet(textProperty, "released", panel, statusControl);
    } else if (control == watchControl) {
        textSet(textProperty, "watching", panel, statusControl);
        watch(true);
    }
}

int Router_Watch::onRevertive(RevertiveEvent& event)
{
    const int device = event.deviceNumber();
    const int index = event.entryIndex();
    if (device == videoRouter && index == videoDestination)
        textSet(textProperty, event.contentText(), panel, videoControl);
    else if (device == audioRouter && index == audioDestination)
        textSet(textProperty, event.contentText(), panel, audioControl);
    return 0;
}

// No notification asked for, no timer started.
vesk_string Router_Watch::onParentQuery(ParentQuery&) { return vesk_string(); }

void Router_Watch::onTimer(int) {}
