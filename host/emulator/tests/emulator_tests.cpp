// The emulator with a script made inside the test: events wait until the
// call that caused them returns, timers tick in time order, answers go
// back, and whatever a script sends is reported, never fatal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/reply_modes.h"
#include "emulator/emulator.h"
#include "plant/plant_file.h"
#include "testing/event_recorder.h"
#include "testing/fake_script.h"
#include "vesk_records.h"

using namespace vesk_host;

namespace {

Plant bundledPlant() { return *loadPlantFile(EXAMPLES_DIR "/plant.toml"); }

struct EmulatorRun {
    EmulatorRun() : emulator(bundledPlant(), events)
    {
        FakeScript::received.clear();
        events.subscribe(recorder);
    }
    ~EmulatorRun() { FakeScript::reset(); }

    std::vector<std::string> rules() const { return recorder.rules(); }
    const std::string& text() const { return recorder.text; }
    const std::vector<Finding>& findings() const { return recorder.findings; }

    EventBus events;
    EventRecorder recorder;
    Emulator emulator;
};

using Lines = std::vector<std::string>;

TEST(EmulatorTest, RevertivesArriveAfterTheCallThatCausedThem)
{
    FakeScript::hooks.start = [](vesk_client_callback& host) {
        sendCommand(host, "RR 21 12 12");
        sendCommand(host, "RP 21 12 12");
        FakeScript::received.push_back("poll sent");
    };
    FakeScript::hooks.event = [](vesk_client_callback& host, void*, int code) -> void* {
        if (code == VESK_CODE_CONTROL) {
            sendCommand(host, "RC 21 5 12 ',' 0");
            FakeScript::received.push_back("route sent");
        }
        return nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.press("1", "Sources", "index.a.b=3");
    EXPECT_EQ(FakeScript::received, (Lines{"load panels", "poll sent", "revertive 21 12 CAM 1",
                                           "control 1 Sources index=3", "route sent", "revertive 21 12 CAM 5"}));
    EXPECT_TRUE(run.rules().empty()) << run.text();
}

TEST(EmulatorTest, AnEventTextEndsAtItsFirstNul)
{
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.press("1", "Sources", std::string("index=1\0tail", 12));
    EXPECT_EQ(FakeScript::received.back(), "control 1 Sources index=1");
    EXPECT_TRUE(run.rules().empty()) << run.text();
}

TEST(EmulatorTest, TimersTickInTimeOrderThenStartOrder)
{
    FakeScript::hooks.start = [](vesk_client_callback& host) {
        sendCommand(host, "ET 1 300");
        sendCommand(host, "ET 2 100");
        sendCommand(host, "ET 3 100");
        sendCommand(host, "ET 4 250");
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.advance(99);
    EXPECT_EQ(FakeScript::received, (Lines{"load panels"}));
    run.emulator.advance(551);
    EXPECT_EQ(FakeScript::received,
              (Lines{"load panels", "timer 2", "timer 3", "timer 2", "timer 3", "timer 4", "timer 1", "timer 2",
                     "timer 3", "timer 2", "timer 3", "timer 2", "timer 3", "timer 4", "timer 1", "timer 2",
                     "timer 3"}));
    EXPECT_EQ(run.emulator.timers().now(), 650);
    EXPECT_NE(run.text().find("host > script  4  timer 4 at 500 ms"), std::string::npos);
}

TEST(EmulatorTest, ATickCanStopItsTimerAndStartAnotherWithinTheSameAdvance)
{
    FakeScript::hooks.start = [](vesk_client_callback& host) { sendCommand(host, "ET 1 100"); };
    FakeScript::hooks.event = [](vesk_client_callback& host, void* data, int code) -> void* {
        if (code == VESK_CODE_TIMER && data == reinterpret_cast<void*>(1)) {
            sendCommand(host, "ET 1");
            sendCommand(host, "ET 7 30");
        }
        return nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.advance(200);
    EXPECT_EQ(FakeScript::received, (Lines{"load panels", "timer 1", "timer 7", "timer 7", "timer 7"}));
}

char* copyOf(const char* text)
{
    char* copy = static_cast<char*>(std::malloc(std::strlen(text) + 1));
    std::strcpy(copy, text);
    return copy;
}

TEST(EmulatorTest, AnswersAreReadThenHandedBack)
{
    FakeScript::hooks.event = [](vesk_client_callback&, void* data, int code) -> void* {
        if (code != VESK_CODE_PARENT_QUERY || !data)
            return nullptr;
        const std::string query = static_cast<const char*>(data);
        return query == "_events" ? copyOf("notify=*") : query == "empty" ? copyOf("") : nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    EXPECT_EQ(run.emulator.query(std::string("_events")), std::optional<std::string>("notify=*"));
    EXPECT_EQ(run.emulator.query(std::nullopt), std::nullopt);
    EXPECT_EQ(run.emulator.query(std::string("empty")), std::optional<std::string>(""));
    EXPECT_EQ(FakeScript::received, (Lines{"load panels", "query _events", "release notify=*", "query (null)",
                                           "query empty", "release "}));
    EXPECT_EQ(run.rules(), (Lines{"empty-answer"}));
}

struct Misdeed {
    const char* name;
    std::function<void(vesk_client_callback& host)> act;
    Lines rules;
};

TEST(EmulatorTest, WhateverAScriptSendsIsReportedNotFatal)
{
    static std::vector<char> noNul(70000, 'A');
    static char ownText[] = "12";
    const std::vector<Misdeed> misdeeds = {
        {"null text", [](auto& host) { host.callback(nullptr, VESK_CODE_COMMAND); }, {"null-command"}},
        {"unknown letters", [](auto& host) { sendCommand(host, "ZZ 1"); }, {"unknown-command"}},
        {"bad numbers", [](auto& host) { sendCommand(host, "RN 12 x 1"); }, {"malformed-command"}},
        {"no NUL", [](auto& host) { host.callback(noNul.data(), VESK_CODE_COMMAND); }, {"command-too-long"}},
        {"code 7", [](auto& host) { host.callback(nullptr, 7); }, {"unknown-code"}},
        {"code -1", [](auto& host) { host.callback(ownText, -1); }, {"unknown-code"}},
        {"own text back", [](auto& host) { host.callback(ownText, VESK_CODE_RELEASE); }, {"release-unknown"}},
        {"status word back",
         [](auto& host) { host.callback(sendCommand(host, "PS '1' 'panels/Rig_Vue.vesk_ui'"), VESK_CODE_RELEASE); },
         {"release-unknown"}},
        {"null back", [](auto& host) { host.callback(nullptr, VESK_CODE_RELEASE); }, {}},
        {"ambiguous", [](auto& host) { sendCommand(host, "TP 'text=a' 'b' '1' 'x'"); },
         {"ambiguous-quoting", "unknown-panel"}},
        {"reply changed",
         [](auto& host) {
             char* reply = static_cast<char*>(sendCommand(host, "SD 'ZEP SDI Router'"));
             reply[0] = 'X';
             host.callback(reply, VESK_CODE_RELEASE);
         },
         {"reply-modified"}},
        // The destructor's own "AS" then comes after the end.
        {"end too early", [](auto& host) { sendCommand(host, "AS"); }, {"end-outside-shutdown", "command-after-end"}},
        {"throws", [](auto&) { throw std::runtime_error("no"); }, {"script-threw"}},
    };
    for (const auto& misdeed : misdeeds) {
        SCOPED_TRACE(misdeed.name);
        FakeScript::hooks.event = [&](vesk_client_callback& host, void*, int code) -> void* {
            if (code == VESK_CODE_CONTROL)
                misdeed.act(host);
            return nullptr;
        };
        FakeScript::hooks.end = [](vesk_client_callback& host) { sendCommand(host, "AS"); };
        EmulatorRun run;
        ASSERT_TRUE(run.emulator.start(&FakeScript::load));
        run.emulator.press("1", "Sources", "index=1");
        run.emulator.shutdown();
        EXPECT_EQ(run.rules(), misdeed.rules) << run.text();
    }
}

TEST(EmulatorTest, ARecordWrittenIntoIsAViolation)
{
    FakeScript::hooks.event = [](vesk_client_callback&, void* data, int code) -> void* {
        if (code == VESK_CODE_CONTROL)
            const_cast<char*>(static_cast<ControlEventRecord*>(data)->controlId)[0] = 'X';
        if (code == VESK_CODE_REVERTIVE)
            static_cast<RevertiveEventRecord*>(data)->contentText[0] = 'X';
        return nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.press("1", "Sources", "index=1");
    run.emulator.revertive(21, 12, "CAM 1");
    EXPECT_EQ(run.rules(), (Lines{"record-modified", "record-modified"}));
}

TEST(EmulatorTest, TheScriptsEndIsChecked)
{
    vesk_client_callback* kept = nullptr;
    FakeScript::hooks.start = [&](vesk_client_callback& host) { kept = &host; };
    FakeScript::hooks.end = [](vesk_client_callback& host) {
        sendCommand(host, "AS");
        sendCommand(host, "RU 21");
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    sendCommand(*kept, "ET 1 5");
    run.emulator.shutdown();
    EXPECT_EQ(run.rules(), (Lines{"call-outside-handler", "command-after-end"}));

    FakeScript::hooks.end = nullptr;
    EmulatorRun silent;
    ASSERT_TRUE(silent.emulator.start(&FakeScript::load));
    silent.emulator.shutdown();
    EXPECT_EQ(silent.rules(), (Lines{"missing-end"}));
}

TEST(EmulatorTest, AnEndlessChainOfEventsIsCutOff)
{
    FakeScript::hooks.start = [](vesk_client_callback& host) { sendCommand(host, "RP 21 12 12"); };
    FakeScript::hooks.event = [](vesk_client_callback& host, void*, int code) -> void* {
        if (code == VESK_CODE_REVERTIVE)
            sendCommand(host, "RP 21 12 12");
        return nullptr;
    };
    FakeScript::hooks.end = [](vesk_client_callback& host) { sendCommand(host, "AS"); };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    EXPECT_EQ(FakeScript::received.size(), 1u + deliveryBudget);
    EXPECT_EQ(run.rules(), (Lines{"event-storm"}));
}

TEST(EmulatorTest, AThrowingExportMakesNoScript)
{
    FakeScript::hooks.start = [](vesk_client_callback&) { throw std::runtime_error("out of luck"); };
    EmulatorRun run;
    const Status started = run.emulator.start(&FakeScript::load);
    ASSERT_FALSE(started);
    EXPECT_EQ(started.error().kind, ErrorKind::notLoadable);
    EXPECT_EQ(started.error().message, "load_vesk_client_script returned null");
    EXPECT_FALSE(run.emulator.running());
    EXPECT_EQ(run.rules(), (Lines{"script-threw"}));
    EXPECT_NE(run.text().find("returned null"), std::string::npos);
}

// What the script receives to each command in each reply mode, and whether
// it must come back: "text:" replies come back, "word:" ones never do.
TEST(EmulatorTest, ReplyModesAnswerEveryCommandTheSameWay)
{
    struct Row {
        ReplyMode mode;
        const char* command;
        const char* seen;  // "null", "status N", "text:..." or "word:..."
    };
    const std::string longText = "text:" + longReplyText();
    const std::string longList = "text:" + longListReplyText();
    const std::vector<Row> rows = {
        {ReplyMode::plant, "SD 'ZEP SDI Router'", "text:21"},
        {ReplyMode::plant, "RC 21 5 12 ',' 0", "null"},
        {ReplyMode::null, "SD 'ZEP SDI Router'", "null"},
        {ReplyMode::null, "PS '1' 'panels/Rig_Vue.vesk_ui'", "status 0"},
        {ReplyMode::null, "ET 1 250", "null"},
        {ReplyMode::empty, "RN 12 0 1", "text:"},
        {ReplyMode::empty, "TG '1' 'Sources' 'select'", "text:"},
        {ReplyMode::empty, "PS '1' 'panels/Rig_Vue.vesk_ui'", "status 1"},
        {ReplyMode::empty, "RC 21 5 12 ',' 0", "word:"},
        {ReplyMode::long_, "RN 12 0 1", longText.c_str()},
        {ReplyMode::long_, "XI '1' 'S'", longList.c_str()},
        {ReplyMode::long_, "AS", "word:(long)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(replyModeName(row.mode)) + " " + row.command);
        std::string seen;
        FakeScript::hooks.start = [](vesk_client_callback& host) {
            sendCommand(host, "PS '1' 'panels/Rig_Vue.vesk_ui'");
        };
        FakeScript::hooks.event = [&](vesk_client_callback& host, void*, int code) -> void* {
            if (code != VESK_CODE_CONTROL)
                return nullptr;
            void* reply = sendCommand(host, row.command);
            const bool comesBack = repliesComeBack(std::string(row.command, 2));
            if (std::string(row.command, 2) == "PS")
                seen = "status " + std::to_string(reinterpret_cast<std::intptr_t>(reply));
            else if (!reply)
                seen = "null";
            else
                seen = (comesBack ? "text:" : "word:") + std::string(static_cast<const char*>(reply));
            if (comesBack && reply)
                host.callback(reply, VESK_CODE_RELEASE);
            return nullptr;
        };
        EmulatorRun run;
        ASSERT_TRUE(run.emulator.start(&FakeScript::load));
        run.emulator.setReplyMode(row.mode);
        run.emulator.press("1", "Sources", "index=1");
        if (seen.size() == 5 + longReplyLength && std::string(row.seen) == "word:(long)")
            seen = "word:(long)";
        EXPECT_EQ(seen, row.seen);
        for (const auto& finding : run.findings())
            EXPECT_NE(finding.rule->severity, Severity::violation) << run.text();
    }
}

// A long list is as long as any long reply, but of a few long items, so a
// script acting on each item costs the run a few commands, not thousands.
TEST(EmulatorTest, ALongListHasAFewLongItems)
{
    const std::string& list = longListReplyText();
    EXPECT_EQ(list.size(), longReplyLength);
    EXPECT_EQ(static_cast<std::size_t>(std::count(list.begin(), list.end(), ',')), longListItems - 1);
    EXPECT_GT(std::count(longReplyText().begin(), longReplyText().end(), ','), 1000);
}

TEST(EmulatorTest, AWordThatIsNeverHandedBackMustNotComeBack)
{
    FakeScript::hooks.event = [](vesk_client_callback& host, void*, int code) -> void* {
        if (code == VESK_CODE_CONTROL)
            host.callback(sendCommand(host, "ET 1 250"), VESK_CODE_RELEASE);
        return nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.setReplyMode(ReplyMode::empty);
    run.emulator.press("1", "Sources", "index=1");
    ASSERT_EQ(run.rules(), (Lines{"release-unknown"}));
    EXPECT_EQ(run.findings()[0].message,
              "code 5 with the host's answer to \"ET 1 250\", a command whose reply is never handed back, during "
              "control event \"Sources\" \"index=1\"");
    EXPECT_NE(run.text().find("->  \"\" (never handed back)"), std::string::npos) << run.text();
}

// Answers the host holds: a pointer handed out twice, or one that changes
// while held, is reported, and no pointer is handed back twice.
TEST(EmulatorTest, HeldAnswersKeepTheReleaseRule)
{
    static char* fresh = nullptr;
    FakeScript::hooks.event = [](vesk_client_callback&, void* data, int code) -> void* {
        if (code != VESK_CODE_PARENT_QUERY)
            return nullptr;
        const std::string query = data ? static_cast<const char*>(data) : "";
        if (query == "fresh")
            return fresh = copyOf("one");
        if (query == "change") {
            fresh[0] = 'X';
            return nullptr;
        }
        return nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    std::optional<std::string> text;
    void* first = run.emulator.askQuery(std::string("fresh"), text);
    EXPECT_EQ(text, std::optional<std::string>("one"));
    EXPECT_EQ(run.emulator.askQuery(std::string("none"), text), nullptr);
    EXPECT_EQ(text, std::nullopt);
    run.emulator.askQuery(std::string("change"), text);
    run.emulator.handBackAnswer(first);
    run.emulator.handBackAnswer(first);
    EXPECT_EQ(run.rules(), (Lines{"answer-changed"}));
    EXPECT_EQ(std::count(FakeScript::received.begin(), FakeScript::received.end(), "release Xne"), 1);
}

TEST(EmulatorTest, AnAnswerHandedOutTwiceIsHandedBackOnce)
{
    static char* answer = nullptr;
    FakeScript::hooks.event = [](vesk_client_callback&, void*, int code) -> void* {
        if (code != VESK_CODE_PARENT_QUERY)
            return nullptr;
        if (!answer)
            answer = copyOf("same");
        return answer;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    std::optional<std::string> text;
    void* first = run.emulator.askQuery(std::string("a"), text);
    void* second = run.emulator.askQuery(std::string("b"), text);
    EXPECT_EQ(first, second);
    run.emulator.handBackAnswer(first);
    run.emulator.handBackAnswer(second);
    answer = nullptr;
    ASSERT_EQ(run.rules(), (Lines{"answer-reused"}));
    EXPECT_EQ(run.findings()[0].message,
              "the answer to the parent query \"b\" is the pointer of the answer to \"a\", which the host still "
              "holds");
    EXPECT_EQ(std::count(FakeScript::received.begin(), FakeScript::received.end(), "release same"), 1);
}

TEST(EmulatorTest, AnyCodeIsDeliveredAndANonNullResultReported)
{
    static char word[] = "mine";
    FakeScript::hooks.event = [](vesk_client_callback&, void*, int code) -> void* {
        return code == 6 || code == VESK_CODE_CONTROL || code == VESK_CODE_TIMER ? word : nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    EXPECT_EQ(run.emulator.deliverCode(9, nullptr, "null"), nullptr);
    EXPECT_EQ(run.emulator.deliverCode(6, nullptr, "null"), word);
    run.emulator.tick(42);
    run.emulator.press("1", "Sources", "index=1");
    run.emulator.revertive(21, 12, "CAM 1");
    EXPECT_EQ(FakeScript::received,
              (Lines{"load panels", "code 9", "code 6", "timer 42", "control 1 Sources index=1", "revertive 21 12 CAM 1"}));
    ASSERT_EQ(run.rules(), (Lines{"non-null-result", "non-null-result", "non-null-result"}));
    EXPECT_EQ(run.findings()[0].message, "the script answered code 6 with a non-null word, during code 6 with null");
    EXPECT_EQ(run.findings()[1].message,
              "the script answered code 4 (a timer tick) with a non-null word, during timer 42");
    EXPECT_EQ(run.findings()[2].message, "the script answered code 2 (a control event) with a non-null word, during "
                                         "control event \"Sources\" \"index=1\"");
}

// "RN" hands back a null reply too; a script that does not is caught.
TEST(EmulatorTest, ANullReplyOfRnMustComeBack)
{
    FakeScript::hooks.event = [](vesk_client_callback& host, void*, int code) -> void* {
        if (code == VESK_CODE_CONTROL) {
            sendCommand(host, "RN 12 0 4");  // no entry 4: null, kept
            host.callback(sendCommand(host, "RN 12 0 9"), VESK_CODE_RELEASE);  // null, handed back
        }
        return nullptr;
    };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.press("1", "Sources", "index=1");
    ASSERT_EQ(run.rules(), (Lines{"release-missing"}));
    EXPECT_EQ(run.findings()[0].message, "the null reply to \"RN 12 0 4\" was not handed back by the end of control "
                                         "event \"Sources\" \"index=1\"");
}

TEST(EmulatorTest, ACallAfterTheDestructorIsNamedAsSuch)
{
    vesk_client_callback* kept = nullptr;
    FakeScript::hooks.start = [&](vesk_client_callback& host) { kept = &host; };
    FakeScript::hooks.end = [](vesk_client_callback& host) { sendCommand(host, "AS"); };
    EmulatorRun run;
    ASSERT_TRUE(run.emulator.start(&FakeScript::load));
    run.emulator.shutdown();
    EXPECT_TRUE(run.emulator.host().destroyed());
    sendCommand(*kept, "RU 21");
    EXPECT_EQ(run.rules(), (Lines{"call-after-destruction", "command-after-end"}));
}

} // namespace
