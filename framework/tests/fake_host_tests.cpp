// vesk::testing's FakeHost: what it answers from its plant, what it
// records per action, and each hand-back or interface rule a script can
// break, said once with the action it broke it in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "vesk/testing.h"
#include "vesk_records.h"

namespace {

using namespace vesk::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// What the test script does with one command's reply.
enum class Keep { handBack, keep, twice, foreign };
struct Send {
    const char* text;
    Keep reply = Keep::handBack;
};

// A script whose control events send the commands listed for the control;
// it logs every revertive and timer it receives.
class TableScript final : public vesk_client_callback {
public:
    explicit TableScript(vesk_client_callback* host) : host_(host) {}
    ~TableScript() override
    {
        for (const Send& send : atEnd)
            run(send);
    }
    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_CONTROL) {
            const auto* record = static_cast<const ControlEventRecord*>(data);
            for (const auto& [control, sends] : table)
                if (control == record->controlId)
                    for (const Send& send : sends)
                        run(send);
        } else if (code == VESK_CODE_REVERTIVE) {
            const auto* record = static_cast<const RevertiveEventRecord*>(data);
            received.push_back("revertive " + std::to_string(record->deviceNumber) + " " +
                               std::to_string(record->entryIndex) + " " + record->contentText);
        } else if (code == VESK_CODE_TIMER) {
            received.push_back("timer " + std::to_string(reinterpret_cast<std::intptr_t>(data)));
        }
        return nullptr;
    }
    void run(const Send& send)
    {
        void* reply = host_->callback(const_cast<char*>(send.text), VESK_CODE_COMMAND);
        static char foreign[] = "x";
        switch (send.reply) {
        case Keep::keep: break;
        case Keep::handBack: host_->callback(reply, VESK_CODE_RELEASE); break;
        case Keep::twice:
            host_->callback(reply, VESK_CODE_RELEASE);
            host_->callback(reply, VESK_CODE_RELEASE);
            break;
        case Keep::foreign: host_->callback(foreign, VESK_CODE_RELEASE); break;
        }
    }

    static inline std::vector<std::pair<std::string, std::vector<Send>>> table;
    static inline std::vector<Send> atEnd;
    static inline std::vector<std::string> received;

private:
    vesk_client_callback* host_;
};

vesk_client_callback* VESK_CDECL loadTableScript(vesk_client_callback* host, const char*)
{
    return new TableScript(host);
}

class FakeHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TableScript::table.clear();
        TableScript::atEnd.clear();
        TableScript::received.clear();
        host.plant()
            .device("Router", 7)
            .router(7, 4)
            .sourceName(7, 2, "CAM 2")
            .crosspoint(7, 1, 2)
            .database(7, 0, 1, "5,2")
            .property("alm_a", "value", "3")
            .property("alm_b", "value", "1")
            .property("other", "text", "x");
    }
    void startWith(std::vector<std::pair<std::string, std::vector<Send>>> table)
    {
        TableScript::table = std::move(table);
        ASSERT_TRUE(host.start(loadTableScript));
    }
    FakeHost host;
};

TEST_F(FakeHostTest, AnswersFromThePlant)
{
    struct Case {
        const char* command;
        const char* reply;  // null: a null reply
    } cases[] = {
        {"SD 'Router'", "7"},
        {"SD 'Nothing'", nullptr},
        {"RN 7 0 1", "5,2"},
        {"RN 7 0 2", nullptr},
        {"XI '1' 'alm_'", "alm_a,alm_b"},
        {"XI '1' 'zz'", nullptr},
        {"XI '2' 'alm_'", nullptr},
        {"TG '1' 'alm_a' 'value'", "value=3"},
        {"TG '1' 'alm_a' 'state'", "state="},
        {"TG '1' 'nobody' 'value'", nullptr},
        {"TG '1' 'other' 'all'", "text=x"},
    };
    startWith({});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        void* reply = host.callback(const_cast<char*>(c.command), VESK_CODE_COMMAND);
        if (!c.reply) {
            EXPECT_EQ(reply, nullptr);
        } else {
            ASSERT_NE(reply, nullptr);
            EXPECT_STREQ(static_cast<const char*>(reply), c.reply);
        }
        host.callback(reply, VESK_CODE_RELEASE);
    }
    EXPECT_EQ(host.callback(const_cast<char*>("PS '1' 'a.vesk_ui'"), VESK_CODE_COMMAND), reinterpret_cast<void*>(1));
    EXPECT_TRUE(host.plant().panelLoaded("1"));
}

TEST_F(FakeHostTest, CommandsChangeThePlantAndRevertivesFollowTheAction)
{
    startWith({{"take", {{"RR 7 1 1"}, {"RC 7 3 1 ',' 0"}, {"RC 7 2 0 ',' 0"}}},
               {"poll", {{"RP 7 0 1"}}},
               {"set", {{"TP 'text=on' '1' 'other'"}, {"TP 'value=4' '1' 'new'"}}},
               {"drop", {{"RU 7"}, {"RC 7 2 1 ',' 0"}}}});
    host.press("take", "pressed=1");
    EXPECT_THAT(host, SentCommands(ElementsAre("RR 7 1 1", "RC 7 3 1 ',' 0", "RC 7 2 0 ',' 0")));
    EXPECT_EQ(host.plant().crosspointOf(7, 1), 3);
    EXPECT_EQ(host.plant().crosspointOf(7, 0), 2);
    host.press("poll", "pressed=1");
    host.press("drop", "pressed=1");
    EXPECT_THAT(TableScript::received, ElementsAre("revertive 7 1 3", "revertive 7 0 CAM 2", "revertive 7 1 3"));
    host.press("set", "pressed=1");
    EXPECT_THAT(host, HasProperty("other", "text", "on"));
    EXPECT_THAT(host, HasProperty("new", "value", "4"));
    EXPECT_THAT(host, KeptTheRules());
}

TEST_F(FakeHostTest, TimersTickInTimeOrderUntilStopped)
{
    startWith({{"start", {{"ET 1 250"}, {"ET 2 100"}}}, {"stop", {{"ET 1"}, {"ET 2 0"}}}});
    host.press("start", "pressed=1");
    host.advance(300);
    EXPECT_THAT(TableScript::received, ElementsAre("timer 2", "timer 2", "timer 1", "timer 2"));
    EXPECT_EQ(host.now(), 300);
    host.press("stop", "pressed=1");
    host.advance(1000);
    EXPECT_THAT(host, SentNothing());
    EXPECT_EQ(TableScript::received.size(), 4u);
}

TEST_F(FakeHostTest, EachRuleBrokenIsSaidOnceWithItsAction)
{
    struct Case {
        const char* name;
        std::vector<Send> sends;
        std::vector<std::string> violations;
    } cases[] = {
        {"kept reply", {{"SD 'Router'", Keep::keep}},
         {"the reply \"7\" to \"SD 'Router'\" was not handed back with code 5 (during control event \"c\" \"x=1\")"}},
        {"twice", {{"RN 7 0 1", Keep::twice}},
         {"the reply \"5,2\" to \"RN 7 0 1\" was handed back a second time (during control event \"c\" \"x=1\")"}},
        {"foreign", {{"ET 1 5", Keep::foreign}},
         {"code 5 with a pointer this host never handed out (during control event \"c\" \"x=1\")"}},
        {"null kept", {{"RN 7 0 9", Keep::keep}},
         {"the null reply to \"RN 7 0 9\" was not handed back with code 5 (during control event \"c\" \"x=1\")"}},
        {"null handed back", {{"RN 7 0 9"}}, {}},
        {"two blanks", {{"ET 1  5"}},
         {"malformed command \"ET 1  5\": not the form ET takes (each argument after one blank, texts in "
          "apostrophes) (during control event \"c\" \"x=1\")"}},
        {"unquoted text", {{"RC 7 1 2 , 0"}},
         {"malformed command \"RC 7 1 2 , 0\": argument 4 must be a text in apostrophes (during control event "
          "\"c\" \"x=1\")"}},
        {"unknown letters", {{"ZZ 1"}},
         {"malformed command \"ZZ 1\": no command of the host starts with \"ZZ\" (during control event \"c\" "
          "\"x=1\")"}},
        {"after AS", {{"AS"}, {"ET 1"}},
         {"\"ET 1\" came after \"AS\" (during control event \"c\" \"x=1\")"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost fresh;
        fresh.plant().device("Router", 7).database(7, 0, 1, "5,2");
        TableScript::table = {{"c", c.sends}};
        ASSERT_TRUE(fresh.start(loadTableScript));
        fresh.press("c", "x=1");
        EXPECT_EQ(fresh.violations(), c.violations);
        fresh.press("other", "x=1");
        EXPECT_EQ(fresh.violations(), c.violations) << "said again in a later action";
    }
}

TEST_F(FakeHostTest, ShutdownRunsTheDestructorAndActionsNeedAScript)
{
    TableScript::atEnd = {{"RU 7"}, {"AS"}};
    startWith({});
    host.shutdown();
    EXPECT_THAT(host, SentCommands(ElementsAre("RU 7", "AS")));
    EXPECT_FALSE(host.running());
    host.press("c", "x=1");
    EXPECT_THAT(host.violations(), ElementsAre("no script is running (during control event \"c\" \"x=1\")"));
    EXPECT_FALSE(host.load("/no/such/library.so"));
    EXPECT_THAT(host.violations().back(), ::testing::HasSubstr("/no/such/library.so: cannot be loaded"));
}

TEST_F(FakeHostTest, ReportsCodesAHostNeverTakes)
{
    startWith({});
    host.callback(nullptr, 6);
    EXPECT_THAT(host.violations(), ElementsAre(::testing::HasSubstr("code 6; a host takes only 0 and 5")));
    EXPECT_THAT(host.allCommands(), IsEmpty());
}

} // namespace
