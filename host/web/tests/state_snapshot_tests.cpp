// What the live page is sent after an action: the panel in file order with
// the properties the script set, only the crosspoints worth drawing, the
// clock and timers, the replies the script still holds and the rules it
// broke; and whatever a script or plant does, a bounded snapshot.
#include <gtest/gtest.h>

#include <string>

#include "plant/plant_file.h"
#include "testing/fake_script.h"
#include "web/state_snapshot.h"

using namespace vesk_host;
using namespace vesk_host::web;

namespace {

struct SnapshotRun {
    explicit SnapshotRun(Plant plant) : emulator(std::move(plant), events)
    {
        FakeScript::received.clear();
        events.subscribe(findings);
    }
    ~SnapshotRun() { FakeScript::reset(); }

    nlohmann::ordered_json snapshot() const { return stateSnapshot(emulator, findings); }

    EventBus events;
    FindingTally findings;
    Emulator emulator;
};

Plant bundledPlant() { return *loadPlantFile(EXAMPLES_DIR "/plant.toml"); }

TEST(ShownText, CutsLongTextsOnACharacterBoundaryAndSaysHowLong)
{
    struct Case {
        std::string text;
        std::string want;
    };
    const std::string full(maxText, 'a');
    const std::string nearlyFull(maxText - 1, 'a');
    const Case cases[] = {
        {"", ""},
        {"CAM 5", "CAM 5"},
        {full, full},
        {full + "b", full + " ... (4097 bytes)"},
        // "É" (two bytes) would straddle the cut: it goes whole to the rest.
        {nearlyFull + "\xC3\x89" + "z", nearlyFull + " ... (4098 bytes)"},
        // "€" (three bytes) starting right at the cut.
        {full + "\xE2\x82\xAC", full + " ... (4099 bytes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(shownText(c.text), c.want);
    }
}

TEST(StateSnapshot, ShowsThePanelRoutersTimersAndRules)
{
    FakeScript::hooks.start = [](vesk_client_callback& host) {
        sendCommand(host, "PS '1' 'Rig_Vue.vesk_ui'");
        sendCommand(host, "TP 'text=CAM 9' '1' 'video_source'");
        sendCommand(host, "RR 21 3 5");
        sendCommand(host, "ET 7 250");
        sendCommand(host, "TP 'text=x' '1' 'NoSuchControl'");
    };
    SnapshotRun run(bundledPlant());
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.advance(100);
    const auto state = run.snapshot();

    EXPECT_EQ(state["kind"], "state");
    EXPECT_EQ(state["running"], true);
    EXPECT_EQ(state["clock"], 100);

    ASSERT_EQ(state["panels"].size(), 1u);
    const auto& panel = state["panels"][0];
    EXPECT_EQ(panel["id"], "1");
    std::vector<std::string> ids;
    for (const auto& control : panel["controls"])
        ids.push_back(control["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"Sources", "WFM_Mon", "Audio_Mon", "VideoEnable", "AudioEnable",
                                             "video_source", "audio_source"}));
    EXPECT_EQ(panel["controls"][5]["properties"]["text"], "CAM 9");
    EXPECT_FALSE(panel.contains("more_controls"));

    // The SDI router: the plant's two crosspoints and the registered 3..5,
    // in destination order; unrouted, unregistered destinations are left out.
    const auto& sdi = state["routers"][0];
    EXPECT_EQ(sdi["device"], 21);
    EXPECT_EQ(sdi["registrations"], nlohmann::ordered_json::parse("[[3,5]]"));
    std::vector<std::string> crosspoints;
    for (const auto& crosspoint : sdi["crosspoints"])
        crosspoints.push_back(std::to_string(crosspoint["destination"].get<int>()) + ":" +
                              crosspoint["reads"].get<std::string>() + (crosspoint["registered"] ? " R" : ""));
    EXPECT_EQ(crosspoints, (std::vector<std::string>{"3:0 R", "4:CAM 2 R", "5:0 R", "12:CAM 1"}));

    ASSERT_EQ(state["timers"].size(), 1u);
    EXPECT_EQ(state["timers"][0]["id"], 7);
    EXPECT_EQ(state["timers"][0]["due"], 250);

    EXPECT_EQ(state["outstanding_replies"], 0);
    EXPECT_EQ(state["warnings"], 1);
    ASSERT_EQ(state["rules"].size(), 1u);
    EXPECT_EQ(state["rules"][0]["rule"], "unknown-control");
    EXPECT_EQ(state["rules"][0]["severity"], "warning");
    EXPECT_EQ(state["rules"][0]["times"], 1);
}

TEST(StateSnapshot, StaysBoundedWhateverThePlantHolds)
{
    Plant plant;
    plant.devices.push_back(Device{"Huge Router", 40, {}});
    Router router;
    router.device = 40;
    router.sources = 2;
    router.destinations = 100000;
    router.crosspoints.assign(100000, 1);
    router.sourceNames[1] = std::string(10000, 'S');
    for (std::int32_t i = 0; i < 2000; ++i)
        router.registrations.push_back({i, i});
    plant.routers.push_back(router);

    SnapshotRun run(std::move(plant));
    const auto state = run.snapshot();
    const auto& huge = state["routers"][0];
    EXPECT_EQ(huge["crosspoints"].size(), maxEntries);
    EXPECT_EQ(huge["more_crosspoints"], 100000 - maxEntries);
    EXPECT_EQ(huge["registrations"].size(), maxEntries);
    EXPECT_EQ(huge["crosspoints"][0]["reads"], shownText(std::string(10000, 'S')));
    EXPECT_EQ(huge["name"], "\"Huge Router\" (device 40)");
    EXPECT_LT(state.dump().size(), 4u * 1024 * 1024);
    EXPECT_EQ(state["running"], false);
}

} // namespace
