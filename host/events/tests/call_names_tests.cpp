// A call is named alike in the transcript's messages and in the last report
// of a crashed script; the report adds the entry point's name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fixed_text.h"
#include "events/call_names.h"

using namespace vesk_host;

namespace {

std::string reported(const HostEvent* call)
{
    char buffer[256];
    FixedText out(buffer, sizeof buffer);
    writeCallName(out, call, CallDetail::entryPoints);
    return buffer;
}

TEST(CallNamesTest, EachCallIsNamedAlikeInMessagesAndReports)
{
    struct Case {
        HostEvent call;
        const char* message;
        const char* report;
    };
    const std::vector<Case> cases = {
        {ScriptLoading{std::string("p")}, "start-up", "start-up (load_vesk_client_script)"},
        {ControlDelivered{"1", "Sources", "index=3"}, "control event \"Sources\" \"index=3\"",
         "control event \"Sources\" \"index=3\""},
        {RevertiveDelivered{21, -1, "CAM"}, "revertive from device 21 index -1", "revertive from device 21 index -1"},
        {QueryDelivered{std::string("_events")}, "parent query \"_events\"", "parent query \"_events\""},
        {QueryDelivered{std::nullopt}, "parent query null", "parent query null"},
        {AnswerHandedBack{"\"_events\"", "x"}, "the hand-back of the answer to \"_events\"",
         "the hand-back of the answer to \"_events\""},
        {CodeDelivered{6, "zeroed memory"}, "code 6 with zeroed memory", "code 6 with zeroed memory"},
        {TimerDelivered{-2147483647 - 1, 0}, "timer -2147483648", "timer -2147483648"},
        {ScriptDeleting{}, "shutdown", "shutdown (the script's destructor)"},
        {CommandSent{std::string("AS"), false, Reply{}}, "a call", "a call"},
        {StepStarted{"press a", 0, 1}, "a call", "a call"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(callName(&c.call), c.message);
        EXPECT_EQ(reported(&c.call), c.report);
    }
    EXPECT_EQ(callName(nullptr), "no call (the host was not calling the script)");
    EXPECT_EQ(reported(nullptr), "no call (the host was not calling the script)");
}

TEST(CallNamesTest, TextsAreQuotedOnOneLineInBoth)
{
    const HostEvent call = ControlDelivered{"1", "a\"b", "two\nlines"};
    EXPECT_EQ(callName(&call), "control event \"a\\\"b\" \"two\\nlines\"");
    EXPECT_EQ(reported(&call), "control event \"a\\\"b\" \"two\\nlines\"");
}

} // namespace
