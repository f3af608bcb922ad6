// The dispatcher: which handler each host code reaches, the parent-query
// answer buffer, the views on host records, and the script's end.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "deliveries.h"
#include "probe_script.h"
#include "recording_host.h"

namespace {

using Calls = std::vector<std::string>;

void* word(std::intptr_t value) { return reinterpret_cast<void*>(value); }

TEST(DispatcherTest, EachCodeReachesItsHandler)
{
    RecordingHost host;
    ProbeScript script(&host);
    struct Case {
        int code;
        void* data;
        Calls calls;
    } cases[] = {
        {0, word(1), {}},
        {4, word(1), {"timer 1"}},
        {4, word(-3), {"timer -3"}},
        {4, nullptr, {"timer 0"}},
        {5, nullptr, {}},
        {6, word(0x10), {"code6 16"}},
        {7, word(0x20), {"code7 32"}},
        {6, nullptr, {"code6 0"}},
        {8, word(1), {}},
        {-1, word(1), {}},
        {1000, nullptr, {}},
        {1, nullptr, {}},  // a revertive without a record is ignored
        {2, nullptr, {}},  // likewise a control event
    };
    for (const Case& c : cases) {
        script.calls.clear();
        EXPECT_EQ(script.callback(c.data, c.code), nullptr) << "code " << c.code;
        EXPECT_EQ(script.calls, c.calls) << "code " << c.code;
    }
    EXPECT_TRUE(host.log.empty());
}

TEST(DispatcherTest, ParentQueryAnswerIsAFreshBufferFreedByRelease)
{
    ProbeScript script(nullptr);
    script.answer = "notify=*";
    void* answer = script.callback(const_cast<char*>("_events"), VESK_CODE_PARENT_QUERY);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(std::strlen(static_cast<char*>(answer)), 8u);
    EXPECT_STREQ(static_cast<char*>(answer), "notify=*");
    EXPECT_EQ(script.callback(answer, VESK_CODE_RELEASE), nullptr);  // freed here; sanitizers watch
    EXPECT_EQ(script.calls, Calls{"query _events="});

    // Two answers are two buffers.
    void* first = script.callback(const_cast<char*>("a"), VESK_CODE_PARENT_QUERY);
    void* second = script.callback(const_cast<char*>("a"), VESK_CODE_PARENT_QUERY);
    EXPECT_NE(first, second);
    script.callback(first, VESK_CODE_RELEASE);
    script.callback(second, VESK_CODE_RELEASE);
}

TEST(DispatcherTest, EmptyParentQueryAnswerIsNull)
{
    ProbeScript script(nullptr);
    const char* queries[] = {nullptr, "", "return=all", "a.b.c=v"};
    for (const char* query : queries)
        EXPECT_EQ(script.callback(const_cast<char*>(query), VESK_CODE_PARENT_QUERY), nullptr);
    EXPECT_EQ(script.calls, (Calls{"query =", "query =", "query return=all", "query a=v"}));
}

TEST(DispatcherTest, LongParentQueryAnswerSurvivesIntact)
{
    ProbeScript script(nullptr);
    script.answer = std::string(100000, 'q');
    auto answer = deliver::parentQuery(script, "x");
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, script.answer);
}

TEST(DispatcherTest, ViewsReadTheHostRecords)
{
    ProbeScript script(nullptr);
    deliver::revertive(script, 17, 362, " Cam 1  ");
    deliver::control(script, "1", "Sources", "index=3");
    deliver::control(script, "1", "WFM_Mon", "press");
    EXPECT_EQ(script.calls, (Calls{"revertive 17 362  Cam 1  ", "control 1 Sources index=3", "control 1 WFM_Mon press="}));
}

TEST(DispatcherTest, RevertiveReadsOnlyItsFieldsAndTheTextAtOffset16)
{
    ProbeScript script(nullptr);
    unsigned char bytes[24];
    std::memset(bytes, 0xEE, sizeof bytes);  // words the script must not read
    std::int32_t device = -5, index = 9;
    std::memcpy(bytes, &device, 4);
    std::memcpy(bytes + 8, &index, 4);
    std::memcpy(bytes + 16, "abc", 4);
    script.callback(bytes, VESK_CODE_REVERTIVE);
    EXPECT_EQ(script.calls, Calls{"revertive -5 9 abc"});
}

TEST(DispatcherTest, NullFieldsOfAControlRecordReadEmpty)
{
    ProbeScript script(nullptr);
    ControlEventRecord record{};
    script.callback(&record, VESK_CODE_CONTROL);

    DottedName event("ignored");
    event.name = nullptr;
    event.value = nullptr;
    record.event = &event;
    record.controlId = "Sources";
    script.callback(&record, VESK_CODE_CONTROL);
    EXPECT_EQ(script.calls, (Calls{"control   =", "control  Sources ="}));
    event.name = event.buffer;  // let it free its own buffer
}

TEST(DispatcherTest, ConstructionKeepsHostAndPathAndAlarmHandlingIsOff)
{
    RecordingHost host;
    ProbeScript withPath(&host, "D:/panels");
    ProbeScript nullPath(&host, nullptr);
    EXPECT_STREQ(withPath.folder(), "D:/panels");
    EXPECT_STREQ(nullPath.folder(), "");
    EXPECT_FALSE(withPath.alarmHandlingOn());
    EXPECT_TRUE(host.log.empty());
}

TEST(DispatcherTest, DestroyingSendsASOnceAndNothingWithoutAHost)
{
    RecordingHost host;
    {
        std::unique_ptr<vesk_client_callback> script(new ProbeScript(&host));
    }
    EXPECT_EQ(host.log, Calls{"AS"});
    std::unique_ptr<vesk_client_callback> orphan(new ProbeScript(nullptr));
    orphan.reset();
}

TEST(DispatcherTest, ControlEventsForAlarmControlsReachTheScriptWhenHandlingIsOff)
{
    RecordingHost host;
    ProbeScript script(&host);
    deliver::control(script, "1", "ActionAll", "alarm=2");
    deliver::control(script, "1", "AckAll", "press");
    EXPECT_EQ(script.calls, (Calls{"control 1 ActionAll alarm=2", "control 1 AckAll press="}));
    EXPECT_TRUE(host.log.empty());
}

} // namespace
