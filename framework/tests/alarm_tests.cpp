// Alarm controls answered by the framework while alarm handling is on.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "deliveries.h"
#include "probe_script.h"
#include "recording_host.h"

namespace {

using Calls = std::vector<std::string>;

struct AlarmPlant {
    RecordingHost host;
    ProbeScript script{&host};

    explicit AlarmPlant(const char* controls)
    {
        host.reply("XI '1' 'alm_'", controls);
        script.setAlarmHandling(true);
    }
    // The value property reads `value` for `control`.
    void reads(const std::string& control, const char* value)
    {
        host.reply("TG '1' '" + control + "' 'value'", value);
    }
};

TEST(AlarmTest, ActionsByEventAndValue)
{
    struct Case {
        const char* name;
        const char* control;
        const char* event;
        Calls commands;
        Calls scriptCalls;
    } cases[] = {
        {"digit sets alarm and value without reading", "ActionAll", "alarm=2",
         {"XI '1' 'alm_'", "TP 'alarm=2' '1' 'alm_a'", "TP 'value=2' '1' 'alm_a'", "TP 'alarm=2' '1' 'alm_b'",
          "TP 'value=2' '1' 'alm_b'"},
         {}},
        {"two characters only set alarm", "ActionAll", "alarm=12",
         {"XI '1' 'alm_'", "TP 'alarm=12' '1' 'alm_a'", "TP 'alarm=12' '1' 'alm_b'"},
         {}},
        {"empty value only sets alarm", "ActionAll", "alarm",
         {"XI '1' 'alm_'", "TP 'alarm=' '1' 'alm_a'", "TP 'alarm=' '1' 'alm_b'"},
         {}},
        {"a non-digit character writes its value 0", "ActionAll", "alarm=x",
         {"XI '1' 'alm_'", "TP 'alarm=x' '1' 'alm_a'", "TP 'value=0' '1' 'alm_a'", "TP 'alarm=x' '1' 'alm_b'",
          "TP 'value=0' '1' 'alm_b'"},
         {}},
        {"ack acknowledges", "ActionAll", "alarm=ack",
         {"XI '1' 'alm_'", "TP 'alarm=ack' '1' 'alm_a'", "TG '1' 'alm_a' 'value'", "TP 'value=4' '1' 'alm_a'",
          "TP 'alarm=ack' '1' 'alm_b'", "TG '1' 'alm_b' 'value'"},
         {}},
        {"AckAll with any event acts as 4", "AckAll", "whatever=9",
         {"XI '1' 'alm_'", "TP 'alarm=4' '1' 'alm_a'", "TG '1' 'alm_a' 'value'", "TP 'value=4' '1' 'alm_a'",
          "TP 'alarm=4' '1' 'alm_b'", "TG '1' 'alm_b' 'value'"},
         {}},
        {"ActionAll with another event reaches the script", "ActionAll", "press=2", {}, {"control 1 ActionAll press=2"}},
        {"other controls reach the script", "Sources", "index=3", {}, {"control 1 Sources index=3"}},
    };
    for (const auto& c : cases) {
        AlarmPlant plant("alm_a,alm_b");
        plant.reads("alm_a", "value=1");
        plant.reads("alm_b", "value=3");
        deliver::control(plant.script, "1", c.control, c.event);
        EXPECT_EQ(plant.host.commands(), c.commands) << c.name;
        EXPECT_EQ(plant.script.calls, c.scriptCalls) << c.name;
        EXPECT_TRUE(plant.host.unreturned().empty()) << c.name;
    }
}

TEST(AlarmTest, AcknowledgeSetsFourOnlyWhereTheValueIsNotSettled)
{
    AlarmPlant plant("alm_1,alm_3,alm_7");
    plant.reads("alm_1", "value=1");
    plant.reads("alm_3", "value=3");
    plant.reads("alm_7", "value=7");
    plant.script.alarmAction("ack");
    EXPECT_EQ(plant.host.log,
              (Calls{"XI '1' 'alm_'", "release alm_1,alm_3,alm_7",
                     "TP 'alarm=ack' '1' 'alm_1'", "TG '1' 'alm_1' 'value'", "release value=1", "TP 'value=4' '1' 'alm_1'",
                     "TP 'alarm=ack' '1' 'alm_3'", "TG '1' 'alm_3' 'value'", "release value=3",
                     "TP 'alarm=ack' '1' 'alm_7'", "TG '1' 'alm_7' 'value'", "release value=7", "TP 'value=4' '1' 'alm_7'"}));
}

TEST(AlarmTest, AcknowledgeByCurrentValue)
{
    struct Case {
        const char* reply;
        bool setsFour;
    } cases[] = {{"value=0", false}, {"value=1", true},  {"value=2", false}, {"value=5", false},
                 {"value=6", true},  {"value=-1", true}, {nullptr, false},   {"other=1", false}};
    for (const auto& c : cases) {
        AlarmPlant plant("alm_x");
        plant.reads("alm_x", c.reply);
        testing::internal::CaptureStderr();
        plant.script.alarmAction("ack");
        testing::internal::GetCapturedStderr();
        Calls expected = {"XI '1' 'alm_'", "TP 'alarm=ack' '1' 'alm_x'", "TG '1' 'alm_x' 'value'"};
        if (c.setsFour)
            expected.push_back("TP 'value=4' '1' 'alm_x'");
        EXPECT_EQ(plant.host.commands(), expected) << (c.reply ? c.reply : "null");
    }
}

TEST(AlarmTest, NoControlsMeansNothingFurther)
{
    for (const char* reply : {static_cast<const char*>(nullptr), ""}) {
        AlarmPlant plant(reply);
        deliver::control(plant.script, "1", "AckAll", "press");
        EXPECT_EQ(plant.host.commands(), Calls{"XI '1' 'alm_'"});
        EXPECT_TRUE(plant.script.calls.empty());
    }
}

// Every identifier the host lists is acted on as it stands, in list order:
// the host matched the pattern, so the framework neither filters nor trims.
TEST(AlarmTest, EveryListedIdentifierIsActedOnAsItStands)
{
    struct Case {
        const char* name;
        const char* reply;
        const char* event;
        Calls commands;
    } cases[] = {
        {"an empty identifier gets its commands too", "alm_a,,alm_c", "alarm=12",
         {"XI '1' 'alm_'", "TP 'alarm=12' '1' 'alm_a'", "TP 'alarm=12' '1' ''", "TP 'alarm=12' '1' 'alm_c'"}},
        {"blanks and identifiers without the prefix are kept", " alm_b,fire,alm_c ", "alarm=12",
         {"XI '1' 'alm_'", "TP 'alarm=12' '1' ' alm_b'", "TP 'alarm=12' '1' 'fire'", "TP 'alarm=12' '1' 'alm_c '"}},
        {"a digit sets the value of an unprefixed identifier", "fire,", "alarm=2",
         {"XI '1' 'alm_'", "TP 'alarm=2' '1' 'fire'", "TP 'value=2' '1' 'fire'", "TP 'alarm=2' '1' ''",
          "TP 'value=2' '1' ''"}},
        {"acknowledge reads an empty identifier's value", ",", "alarm=ack",
         {"XI '1' 'alm_'", "TP 'alarm=ack' '1' ''", "TG '1' '' 'value'", "TP 'alarm=ack' '1' ''",
          "TG '1' '' 'value'"}},
    };
    for (const auto& c : cases) {
        AlarmPlant plant(c.reply);
        deliver::control(plant.script, "1", "ActionAll", c.event);
        EXPECT_EQ(plant.host.commands(), c.commands) << c.name;
        EXPECT_TRUE(plant.script.calls.empty()) << c.name;
    }
}

// A host that answers the alarm walk's own "TP" on a listed control with a
// control event, as a host may when "ActionAll" itself is listed.
class EchoingHost : public vesk_client_callback {
public:
    void* callback(void* data, int code) override
    {
        void* reply = recorded.callback(data, code);
        if (code == VESK_CODE_COMMAND && script && data && echoes.count(static_cast<const char*>(data))) {
            const auto& event = echoes.at(static_cast<const char*>(data));
            deliver::control(*script, "1", event.first.c_str(), event.second.c_str());
        }
        return reply;
    }
    RecordingHost recorded;
    vesk_client_callback* script = nullptr;
    std::map<std::string, std::pair<std::string, std::string>> echoes;
};

TEST(AlarmTest, AnAlarmEventDuringTheWalkIsDroppedAndTheWalkGoesOn)
{
    struct Case {
        const char* name;
        const char* echoed;  // the command answered with an event
        std::pair<std::string, std::string> event;
        Calls scriptCalls;
    } cases[] = {
        {"ActionAll alarm from a listed ActionAll", "TP 'alarm=2' '1' 'ActionAll'", {"ActionAll", "alarm=7"}, {}},
        {"AckAll from its own value", "TP 'value=2' '1' 'ActionAll'", {"AckAll", "press"}, {}},
        {"another control still reaches the script", "TP 'alarm=2' '1' 'ActionAll'", {"Sources", "index=1"},
         {"control 1 Sources index=1"}},
    };
    for (const auto& c : cases) {
        EchoingHost host;
        ProbeScript script(&host);
        script.setAlarmHandling(true);
        host.script = &script;
        host.recorded.reply("XI '1' 'alm_'", "alm_a,ActionAll,alm_c");
        host.echoes[c.echoed] = c.event;
        deliver::control(script, "1", "ActionAll", "alarm=2");
        EXPECT_EQ(host.recorded.commands(), (Calls{"XI '1' 'alm_'", "TP 'alarm=2' '1' 'alm_a'", "TP 'value=2' '1' 'alm_a'",
                                          "TP 'alarm=2' '1' 'ActionAll'", "TP 'value=2' '1' 'ActionAll'",
                                          "TP 'alarm=2' '1' 'alm_c'", "TP 'value=2' '1' 'alm_c'"}))
            << c.name;
        EXPECT_EQ(script.calls, c.scriptCalls) << c.name;

        // The guard is lifted once the walk ends: the next action runs whole.
        host.recorded.clear();
        host.echoes.clear();
        deliver::control(script, "1", "AckAll", "press");
        EXPECT_EQ(host.recorded.commands().size(), 7u) << c.name;
    }
}

TEST(AlarmTest, EventsFromAnyPanelActOnPanelOne)
{
    AlarmPlant plant("alm_a");
    deliver::control(plant.script, "7", "ActionAll", "alarm=3");
    EXPECT_EQ(plant.host.commands(), (Calls{"XI '1' 'alm_'", "TP 'alarm=3' '1' 'alm_a'", "TP 'value=3' '1' 'alm_a'"}));
}

} // namespace
