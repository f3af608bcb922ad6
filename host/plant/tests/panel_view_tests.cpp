// "show": the tables of panels, routes and timers.
#include <gtest/gtest.h>

#include <string>

#include "plant/panel_view.h"
#include "plant/panels.h"
#include "plant/plant.h"
#include "plant/timers.h"

using namespace vesk_host;

namespace {

// "show": columns two blanks apart, values quoted on one line, controls in
// panel-file order, only the destinations worth reading, timers as they tick.
TEST(ShowTest, TablesAreAlignedQuotedAndLeaveOutWhatIsEmpty)
{
    Panels panels;
    EXPECT_EQ(panelsTable(panels), "no panel loaded");
    panels.load("1", "Rig_Vue.vesk_ui", PanelLayout{"Rig Vue", {
        {"Sources", {{"items", "News,Sport"}, {"select", "2"}}},
        {"spacer", {}},
        {"note", {{"text", "two\nlines \"quoted\""}}},
    }});
    EXPECT_EQ(panelsTable(panels),
              "panel \"1\": \"Rig_Vue.vesk_ui\" (Rig Vue)\n"
              "  control  property  value\n"
              "  Sources  items     \"News,Sport\"\n"
              "           select    \"2\"\n"
              "  spacer   -\n"
              "  note     text      \"two\\nlines \\\"quoted\\\"\"");

    Plant plant;
    EXPECT_EQ(routesTable(plant), "no router in the plant");
    plant.devices.push_back(Device{"SDI", 7, {}});
    Router sdi;
    sdi.device = 7;
    sdi.sources = 16;
    sdi.destinations = 12;
    sdi.crosspoints.assign(12, 0);
    sdi.crosspoints[10] = 3;
    sdi.sourceNames[3] = "CAM 3";
    sdi.registrations = {{1, 2}, {10, 10}};
    plant.routers.push_back(sdi);
    Router audio;
    audio.device = 8;
    audio.sources = 4;
    audio.destinations = 4;
    audio.crosspoints.assign(4, 0);
    plant.routers.push_back(audio);
    EXPECT_EQ(routesTable(plant),
              "router \"SDI\" (device 7): 16 sources, 12 destinations; registered: 1..2, 10..10\n"
              "  destination  source  reads    registered\n"
              "  1            0       \"0\"      yes\n"
              "  2            0       \"0\"      yes\n"
              "  10           3       \"CAM 3\"  yes\n"
              "router device 8: 4 sources, 4 destinations; registered: none\n"
              "  every destination on source 0, none registered");

    Timers timers;
    EXPECT_EQ(timersTable(timers), "clock 0 ms; no timer running");
    timers.setNow(100);
    timers.start(2, 500);
    timers.start(1, 40);
    EXPECT_EQ(timersTable(timers),
              "clock 100 ms; 2 timer(s) running\n"
              "  timer  interval  next tick\n"
              "  1      40 ms     at 140 ms\n"
              "  2      500 ms    at 600 ms");
}

} // namespace
