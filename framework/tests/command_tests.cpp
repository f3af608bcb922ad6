// The host command set: exact command texts, how replies are read, which
// replies go back with code 5, and what each command yields on failure.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "debugger_output.h"
#include "probe_script.h"
#include "recording_host.h"

namespace {

using Calls = std::vector<std::string>;
using Action = std::function<void(ProbeScript&)>;

std::string debugLineOf(const std::function<void()>& action) { return captureDebuggerOutput(action); }

struct TextCase {
    const char* name;
    Action send;
    const char* text;
};

TEST(CommandTextTest, EachHelperSendsItsExactText)
{
    const TextCase cases[] = {
        {"AS", [](ProbeScript& s) { s.scriptClose(); }, "AS"},
        {"SD", [](ProbeScript& s) { s.deviceLookup("ZEP SDI Router", nullptr, nullptr); }, "SD 'ZEP SDI Router'"},
        {"XI", [](ProbeScript& s) { s.controlList("1", "alm_"); }, "XI '1' 'alm_'"},
        {"PS", [](ProbeScript& s) { s.panelLoad("1", "Rig_Vue.vesk_ui", ""); }, "PS '1' 'Rig_Vue.vesk_ui'"},
        {"PS third", [](ProbeScript& s) { s.panelLoad("1", "f.vesk_ui", "x"); }, "PS '1' 'f.vesk_ui' 'x'"},
        {"RC", [](ProbeScript& s) { s.routeSet(7, 12, 3, "", false); }, "RC 7 12 3 ',' 0"},
        {"RC extra", [](ProbeScript& s) { s.routeSet(7, 12, 3, "x", true); }, "RC 7 12 3 ',x' 1"},
        {"RC dest 0", [](ProbeScript& s) { s.routeSet(0, -1, 0, "", false); }, "RC 0 -1 0 ',' 0"},
        {"RN", [](ProbeScript& s) { vesk_string t; s.databaseRead(5, 1, 362, t); }, "RN 5 1 362"},
        {"RP", [](ProbeScript& s) { s.revertivePoll(5, 362, 362); }, "RP 5 362 362"},
        {"RR", [](ProbeScript& s) { s.revertiveRegister(5, 362, 362, false); }, "RR 5 362 362"},
        {"RR add", [](ProbeScript& s) { s.revertiveRegister(5, 362, 362, true); }, "RR 5 362 362 'ADD'"},
        {"RR extremes", [](ProbeScript& s) { s.revertiveRegister(INT_MIN, INT_MAX, INT_MIN, true); },
         "RR -2147483648 2147483647 -2147483648 'ADD'"},
        {"RU", [](ProbeScript& s) { s.revertiveUnregister(5); }, "RU 5"},
        {"TG", [](ProbeScript& s) { vesk_string v; s.textGet("value", "1", "alm_fire", v); },
         "TG '1' 'alm_fire' 'value'"},
        {"TP four", [](ProbeScript& s) { s.textSet("statesheet", "KQ_Tally_Red", "1", "VideoEnable"); },
         "TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'"},
        {"TP three", [](ProbeScript& s) { s.textSet("select=-1", "1", "Sources"); }, "TP 'select=-1' '1' 'Sources'"},
        {"TP empty", [](ProbeScript& s) { s.textSet("", "", "", ""); }, "TP '=' '' ''"},
        {"ET", [](ProbeScript& s) { s.timerSet(1, 250); }, "ET 1 250"},
        {"ET zero", [](ProbeScript& s) { s.timerSet(3, 0); }, "ET 3"},
        {"ET negative", [](ProbeScript& s) { s.timerSet(2, -5); }, "ET 2 -5"},
        {"ET kill", [](ProbeScript& s) { s.timerKill(1); }, "ET 1"},
        {"ET extremes", [](ProbeScript& s) { s.timerSet(INT_MIN, INT_MIN); }, "ET -2147483648 -2147483648"},
        // Arguments are inserted as they are: no escaping, no placeholder expansion.
        {"apostrophe", [](ProbeScript& s) { s.textSet("text", "it's", "1", "a b"); }, "TP 'text=it's' '1' 'a b'"},
        {"XI %2", [](ProbeScript& s) { s.controlList("%2", "alm_"); }, "XI '%2' 'alm_'"},
        {"RC %5", [](ProbeScript& s) { s.routeSet(7, 12, 3, "%5", true); }, "RC 7 12 3 ',%5' 1"},
        {"TP %1", [](ProbeScript& s) { s.textSet("%2", "%1", "%3", "%4"); }, "TP '%2=%1' '%3' '%4'"},
        {"SD %1", [](ProbeScript& s) { s.deviceLookup("%1%1", nullptr, nullptr); }, "SD '%1%1'"},
    };
    for (const TextCase& c : cases) {
        RecordingHost host;
        ProbeScript script(&host);
        c.send(script);
        EXPECT_EQ(host.commands(), Calls{c.text}) << c.name;
        host.clear();
    }
}

TEST(CommandTextTest, PanelLoadPutsThePathInFront)
{
    struct Case {
        const char* path;
        const char* text;
    } cases[] = {{"", "PS '1' 'Rig_Vue.vesk_ui'"},
                 {"D:/panels", "PS '1' 'D:/panels/Rig_Vue.vesk_ui'"},
                 {"D:/panels/", "PS '1' 'D:/panels//Rig_Vue.vesk_ui'"}};
    for (const auto& c : cases) {
        RecordingHost host;
        ProbeScript script(&host, c.path);
        script.panelLoad("1", "Rig_Vue.vesk_ui", "");
        EXPECT_EQ(host.commands(), Calls{c.text}) << c.path;
        host.clear();
    }
}

TEST(ReplyRuleTest, OnlyReadingCommandsHandTheirReplyBack)
{
    struct Case {
        const char* name;
        Action send;
        bool handedBack;
    } cases[] = {
        {"SD", [](ProbeScript& s) { s.deviceLookup("x", nullptr, nullptr); }, true},
        {"XI", [](ProbeScript& s) { s.controlList("1", "alm_"); }, true},
        {"RN", [](ProbeScript& s) { vesk_string t; s.databaseRead(1, 0, 1, t); }, true},
        {"TG", [](ProbeScript& s) { vesk_string v; s.textGet("all", "1", "c", v); }, true},
        {"AS", [](ProbeScript& s) { s.scriptClose(); }, false},
        {"RC", [](ProbeScript& s) { s.routeSet(1, 2, 3, "", false); }, false},
        {"RP", [](ProbeScript& s) { s.revertivePoll(1, 2, 3); }, false},
        {"RR", [](ProbeScript& s) { s.revertiveRegister(1, 2, 3, true); }, false},
        {"RU", [](ProbeScript& s) { s.revertiveUnregister(1); }, false},
        {"TP", [](ProbeScript& s) { s.textSet("a", "b", "c"); }, false},
        {"ET", [](ProbeScript& s) { s.timerSet(1, 2); }, false},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        host.replyPrefix("", "reply");
        {
            ProbeScript script(&host);
            host.clear();
            c.send(script);
            ASSERT_FALSE(host.log.empty()) << c.name;
            EXPECT_EQ(host.log.size(), c.handedBack ? 2u : 1u) << c.name;
            if (c.handedBack) {
                EXPECT_EQ(host.log.back(), "release reply") << c.name;
            }
        }
        EXPECT_TRUE(host.violations.empty()) << c.name;
    }
}

TEST(ReplyRuleTest, NullRepliesAreHandedBackOnlyByDatabaseRead)
{
    RecordingHost host;
    ProbeScript script(&host);
    vesk_string text("x");
    script.databaseRead(5, 0, 9, text);
    EXPECT_STREQ(text, "x");
    EXPECT_EQ(host.log, (Calls{"RN 5 0 9", "release null"}));

    host.clear();
    vesk_string value("old");
    script.deviceLookup("x", nullptr, nullptr);
    script.controlList("1", "alm_");
    script.textGet("value", "1", "c", value);
    EXPECT_EQ(host.log, (Calls{"SD 'x'", "XI '1' 'alm_'", "TG '1' 'c' 'value'"}));
    EXPECT_STREQ(value, "");
}

TEST(DeviceLookupTest, ReadsTwoNumbersFromTheReply)
{
    struct Case {
        const char* reply;
        int device;
        int second;
        bool result;
    } cases[] = {
        {nullptr, 0, 0, false},    {"", 0, 0, true},         {"12", 12, 0, true},
        {"12 3", 12, 3, true},     {"  12 3", 0, 12, true},  {"'5' '6'", 0, 5, true},
        {"x7 8", 0, 8, true},      {"-4 +2", -4, 2, true},   {"99999999999 2147483648", 0, 0, true},
        {"7abc 9", 7, 9, true},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        host.reply("SD 'dev'", c.reply);
        ProbeScript script(&host);
        int device = 55, second = 66;
        EXPECT_EQ(script.deviceLookup("dev", &device, &second), c.result) << (c.reply ? c.reply : "null");
        EXPECT_EQ(device, c.device) << (c.reply ? c.reply : "null");
        EXPECT_EQ(second, c.second) << (c.reply ? c.reply : "null");
        EXPECT_TRUE(host.unreturned().empty());
        // The outputs may be null.
        EXPECT_EQ(script.deviceLookup("dev", nullptr, nullptr), c.result);
    }
}

TEST(DatabaseReadTest, AssignsTheWholeReply)
{
    RecordingHost host;
    host.reply("RN 5 0 3", " 12 , 4 ");
    ProbeScript script(&host);
    vesk_string text("old");
    script.databaseRead(5, 0, 3, text);
    EXPECT_STREQ(text, " 12 , 4 ");
    EXPECT_EQ(host.log, (Calls{"RN 5 0 3", "release  12 , 4 "}));
}

TEST(ControlListTest, ReadsIdentifiersInReplyOrder)
{
    struct Case {
        const char* reply;
        std::vector<std::string> items;
    } cases[] = {{"alm_a,alm_b", {"alm_a", "alm_b"}},
                 {"", {}},
                 {nullptr, {}},
                 {" alm_a , alm_b", {" alm_a ", " alm_b"}}};
    for (const auto& c : cases) {
        RecordingHost host;
        host.reply("XI '1' 'alm_'", c.reply);
        ProbeScript script(&host);
        vesk_stringlist list = script.controlList("1", "alm_");
        std::vector<std::string> got;
        for (auto it = list.begin(); it != list.end(); ++it)
            got.push_back((*it).c_str());
        EXPECT_EQ(got, c.items);
        EXPECT_TRUE(host.unreturned().empty());
    }
}

TEST(PanelLoadTest, ReportsTheHostStatus)
{
    struct Case {
        bool hasHost;
        std::intptr_t word;
        bool result;
    } cases[] = {{false, 0, false}, {true, 0, false}, {true, 1, true}, {true, -1, true}};
    for (const auto& c : cases) {
        RecordingHost host;
        host.status("PS '1' 'f'", c.word);
        ProbeScript script(c.hasHost ? &host : nullptr);
        EXPECT_EQ(script.panelLoad("1", "f", ""), c.result);
        EXPECT_TRUE(host.violations.empty());
    }
}

TEST(TextGetTest, MatchesTheKeyExactly)
{
    struct Case {
        const char* property;
        const char* reply;
        const char* value;
        const char* debugLine;
    } cases[] = {
        {"value", "value=2", "2", ""},
        {"value", "value=", "", ""},
        {"value", "value=a=b", "a=b", ""},
        {"value", nullptr, "", ""},
        {"all", "x=1 y=2", "x=1 y=2", ""},
        {"all", "", "", ""},
        {"value", "Value=2", "",
         "textGet: value returned \"Value\" was not the value requested \"value\" (value returned was \"Value=2\" "
         "from control \"alm_fire\", on panel \"1\")"},
        {"value", "val=2", "",
         "textGet: value returned \"val\" was not the value requested \"value\" (value returned was \"val=2\" "
         "from control \"alm_fire\", on panel \"1\")"},
        {"value", "state=3", "",
         "textGet: value returned \"state\" was not the value requested \"value\" (value returned was \"state=3\" "
         "from control \"alm_fire\", on panel \"1\")"},
        {"value", "%2=x", "",
         "textGet: value returned \"%2\" was not the value requested \"value\" (value returned was \"%2=x\" "
         "from control \"alm_fire\", on panel \"1\")"},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        host.replyPrefix("TG ", c.reply);
        ProbeScript script(&host);
        vesk_string value("old");
        std::string line = debugLineOf([&] { script.textGet(c.property, "1", "alm_fire", value); });
        EXPECT_STREQ(value, c.value) << (c.reply ? c.reply : "null");
        EXPECT_EQ(line, c.debugLine) << (c.reply ? c.reply : "null");
        EXPECT_TRUE(host.unreturned().empty());
    }
}

TEST(NoHostTest, NothingIsSentAndEveryOutputHasItsDefault)
{
    ProbeScript script(nullptr);
    int device = 9, second = 9;
    EXPECT_FALSE(script.deviceLookup("x", &device, &second));
    EXPECT_EQ(device, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(script.controlList("1", "alm_").count(), 0u);
    EXPECT_FALSE(script.panelLoad("1", "f", ""));
    vesk_string text("kept");
    script.databaseRead(1, 2, 3, text);
    EXPECT_STREQ(text, "kept");
    vesk_string value("old");
    script.textGet("value", "1", "c", value);
    EXPECT_STREQ(value, "");
    script.routeSet(1, 2, 3, "", true);
    script.revertivePoll(1, 2, 3);
    script.revertiveRegister(1, 2, 3, true);
    script.revertiveUnregister(1);
    script.textSet("a", "b", "c", "d");
    script.textSet("a", "b", "c");
    script.timerSet(1, 2);
    script.timerKill(1);
    script.scriptClose();
}

TEST(DebugPrintTest, FillsPlaceholdersInOrderAndAddsNothing)
{
    ProbeScript script(nullptr);
    const vesk_string a("A"), b("B"), none;
    struct Case {
        const char* format;
        const char* line;
    } cases[] = {
        {"%1 and %2", "A and B"},
        {"no placeholders", "no placeholders"},
        {"%2 before %1", "B before A"},
        {"%1 %1 %3", "A A B"},
        {"%1%2%3%4%5%6%7%8%9%10", "AB%10"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string line = debugLineOf([&] { script.debugPrint(c.format, a, b, none, none, none, none, none, none, none); });
        EXPECT_EQ(line, c.line) << c.format;
    }
    // An argument's own "%2" is not filled again.
    std::string line = debugLineOf(
        [&] { script.debugPrint("[%1][%2]", vesk_string("%2"), b, none, none, none, none, none, none, none); });
    EXPECT_EQ(line, "[%2][B]");
}

} // namespace
