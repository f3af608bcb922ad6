// Rig_Vue state, start-up and shutdown.
#include "Rig_Vue.h"

#include "Rig_Vue_constants.h"

using namespace rig_vue;

Rig_Vue::Rig_Vue(vesk_client_callback* hostLink, const char* folder)
    : vesk_script_helper(hostLink, folder),
      packageNamesDevice(0),
      packageXptsDevice(0),
      videoRouter(0),
      audioRouter(0),
      videoDestination(0),
      audioDestination(0),
      videoFollow(true),
      audioFollow(true)
{
    deviceLookup(packageNamesInstance, &packageNamesDevice, 0);
    deviceLookup(packageXptsInstance, &packageXptsDevice, 0);
    deviceLookup(videoRouterInstance, &videoRouter, 0);
    deviceLookup(audioRouterInstance, &audioRouter, 0);

    int video = 0;
    int audio = 0;
    readRoutePair(destinationEntry, destinationDatabase, video, audio);
    videoDestination = video;
    audioDestination = audio;

    panelLoad(panelId, panelFile, "");

    showTally(videoFollow, videoTallyControl);
    showTally(audioFollow, audioTallyControl);

    revertiveRegister(videoRouter, videoDestination, videoDestination, false);
    revertiveRegister(audioRouter, audioDestination, audioDestination, false);
    revertivePoll(videoRouter, videoDestination, videoDestination);
    revertivePoll(audioRouter, audioDestination, audioDestination);
}

Rig_Vue::~Rig_Vue()
{
    revertiveUnregister(videoRouter);
    revertiveUnregister(audioRouter);
}

void Rig_Vue::readRoutePair(int entry, int database, int& video, int& audio)
{
    vesk_string pair;
    databaseRead(packageXptsDevice, database, entry, pair);
    vesk_string left;
    vesk_string right;
    pair.split(pairSeparator, left, right);
    video = left == noneMarker ? 0 : left.toInt();
    audio = right == noneMarker ? 0 : right.toInt();
}

void Rig_Vue::showTally(bool on, const char* control)
{
    textSet(tallyProperty, on ? tallyOn : tallyOff, panelId, control);
}
