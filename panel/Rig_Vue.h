// Rig_Vue: the monitoring panel of one operating position.
//
// Choosing a package in "Sources" routes its video and audio sources to the
// position's monitoring destinations on the SDI and audio routers; the
// routers' revertives are shown in "video_source" and "audio_source";
// "WFM_Mon" and "Audio_Mon" switch following on and off with a tally.
// Owned by the host, made by load_vesk_client_script, ended through the
// virtual destructor. Start-up and shutdown talk to the host synchronously.
#ifndef RIG_VUE_H
#define RIG_VUE_H

#include <stdint.h>

#include "vesk_script_helper.h"

class Rig_Vue : public vesk_script_helper {
public:
    // Runs the whole start-up: device lookups, destinations, panel load,
    // tallies, revertive registrations and polls.
    Rig_Vue(vesk_client_callback* host, const char* path);
    // Drops both revertive registrations; the framework then sends "AS".
    virtual ~Rig_Vue();

    virtual void onControl(ControlEvent& event);
    virtual int onRevertive(RevertiveEvent& event);
    virtual vesk_string onParentQuery(ParentQuery& query);
    virtual void onTimer(int id);

    // Reads the pair "v,a" of `entry` in `database` of the package crosspoint
    // device; a missing or "-" side gives 0.
    void readRoutePair(int entry, int database, int& video, int& audio);

private:
    void showTally(bool on, const char* control);

    int32_t packageNamesDevice;
    int32_t packageXptsDevice;
    int32_t videoRouter;
    int32_t audioRouter;
    int32_t videoDestination;
    int32_t audioDestination;
    bool videoFollow;
    bool audioFollow;
};

#endif
