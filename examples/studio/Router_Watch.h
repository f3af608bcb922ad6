// Router_Watch: a second panel at a monitoring position that watches the
// same destinations as Rig_Vue (entry 362 of the package crosspoint
// database) and shows what each carries. It never routes: it only
// registers, polls and shows. "Release" unregisters from both routers and
// "Watch" registers again, so a studio can show that one panel's "RU"
// leaves the other's registrations alone.
// Owned by the host, made by load_vesk_client_script, ended through the
// virtual destructor.
#ifndef ROUTER_WATCH_H
#define ROUTER_WATCH_H

#include "vesk_script_helper.h"

class Router_Watch : public vesk_script_helper {
public:
    // Looks up the devices and destinations, loads the panel and watches.
    Router_Watch(vesk_client_callback* host, const char* path);
    // Unregisters from both routers.
    virtual ~Router_Watch();

    virtual void onControl(ControlEvent& event);
    virtual int onRevertive(RevertiveEvent& event);
    virtual vesk_string onParentQuery(ParentQuery& query);
    virtual void onTimer(int id);

private:
    // Registers for both destinations and polls them, or unregisters.
    void watch(bool on);

    int videoRouter;
    int audioRouter;
    int videoDestination;
    int audioDestination;
};

#endif
