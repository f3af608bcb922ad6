// Quoting, numbers, JSON lines, the "show" tables and golden comparison:
// what makes transcripts readable, stable and comparable.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "base/fixed_text.h"
#include "base/text_util.h"
#include "plant/panel_view.h"
#include "plant/panels.h"
#include "plant/plant.h"
#include "plant/timers.h"
#include "transcript/finding_tally.h"
#include "transcript/golden.h"
#include "transcript/transcript_json.h"
#include "transcript/transcript_text.h"

using namespace vesk_host;

namespace {

TEST(TextTest, QuotingKeepsEveryTextOnOneLine)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "\"\""},
        {"RC 7 12 3 ',' 0", "\"RC 7 12 3 ',' 0\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"one\ntwo\tthree\r", "\"one\\ntwo\\tthree\\r\""},
        {std::string("\x01\x7f\xe9", 3), "\"\\x01\\x7f\\xe9\""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(quoteText(text), expected);
    EXPECT_EQ(quoteText("abcdef", 3), "\"abc\"... (6 bytes in all)");
}

TEST(TextTest, NumbersArePlainDecimalWithinRange)
{
    EXPECT_EQ(parseInt32("0"), 0);
    EXPECT_EQ(parseInt32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(parseInt32("007"), 7);
    for (const char* bad : {"", "-", "+1", " 1", "1 ", "2147483648", "-2147483649", "1e3", "0x10", "99999999999999999999"})
        EXPECT_EQ(parseInt32(bad), std::nullopt) << bad;
    EXPECT_EQ(parseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseInt64("9223372036854775808"), std::nullopt);
}

TEST(TextTest, BoundedLengthStopsAtTheLimit)
{
    const char text[] = {'a', 'b', 'c', '\0'};
    EXPECT_EQ(boundedLength(text, 4), 3u);
    EXPECT_EQ(boundedLength(text, 3), std::nullopt);
}

// The fixed buffer of the last report: cut, never overrun, and quoting as
// the transcript does, so a text reads the same in both.
TEST(TextTest, FixedTextNeverOverrunsItsBuffer)
{
    struct Case {
        const char* what;
        std::size_t size;
        void (*write)(FixedText& out);
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"numbers at both ends", 64,
         [](FixedText& out) {
             out.number(INT64_MIN);
             out.text(" ");
             out.number(0);
             out.text(" ");
             out.number(INT64_MAX);
         },
         "-9223372036854775808 0 9223372036854775807"},
        {"cut at the buffer", 4, [](FixedText& out) { out.text("abcdef"); }, "abc"},
        {"a byte holds the NUL only", 1, [](FixedText& out) { out.number(-5); }, ""},
        {"quoted", 64, [](FixedText& out) { out.quoted(std::string_view("a\"b\\c\n\t\r\x01\xe9", 10)); },
         quoteText(std::string_view("a\"b\\c\n\t\r\x01\xe9", 10))},
        {"quoted and cut", 64, [](FixedText& out) { out.quoted("abcdef", 3); }, "\"abc...\""},
        {"a JSON string's content", 64, [](FixedText& out) { out.json("q\"\\\x01\xc3\xa9"); },
         "q\\\"\\\\\\u0001\xc3\xa9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        FixedText out(buffer, c.size);
        c.write(out);
        EXPECT_EQ(std::string(buffer), c.expected);
        EXPECT_EQ(out.length(), c.expected.size());
        EXPECT_EQ(buffer[c.size], '#') << "written past the buffer";
    }
}

// Each kind of event: its transcript line and its JSON line, side by side.
TEST(TranscriptTest, EventsRenderAsIndentedTextAndOneJsonLine)
{
    struct Row {
        HostEvent event;
        const char* text;  // null: no transcript line
        const char* json;
    };
    const std::vector<Row> rows = {
        {CommandSent{std::string("RN 5 1 362"), false, Reply::textReply("5,2")},
         "  script > host  0  \"RN 5 1 362\"  ->  \"5,2\"\n",
         "{\"kind\":\"command\",\"depth\":1,\"code\":0,\"text\":\"RN 5 1 362\",\"reply\":\"5,2\"}\n"},
        {CommandSent{std::nullopt, false, Reply{}}, "  script > host  0  null  ->  null\n",
         "{\"kind\":\"command\",\"depth\":1,\"code\":0,\"text\":null,\"reply\":null}\n"},
        {CommandSent{std::string("PS '1' 'x'"), false, Reply::statusReply(1)},
         "  script > host  0  \"PS '1' 'x'\"  ->  status 1\n",
         "{\"kind\":\"command\",\"depth\":1,\"code\":0,\"text\":\"PS '1' 'x'\",\"reply\":1,\"status\":true}\n"},
        {ReplyReturned{ReplyReturned::Pointer::twice, "21", "SD 'x'"},
         "  script > host  5  \"21\" (reply to \"SD 'x'\", already handed back)\n",
         "{\"kind\":\"release\",\"depth\":1,\"code\":5,\"pointer\":\"returned\",\"text\":\"21\",\"command\":\"SD "
         "'x'\"}\n"},
        {TimerDelivered{1, 250}, "host > script  4  timer 1 at 250 ms\n",
         "{\"kind\":\"call\",\"depth\":0,\"code\":4,\"timer\":1,\"clock\":250}\n"},
        {AnswerReceived{std::string("x"), false}, "host < script  3  answer (no NUL)\n",
         "{\"kind\":\"answer\",\"depth\":0,\"code\":3,\"answer\":\"\"}\n"},
        {ExpectationChecked{4, "expect answer null", false, "null", "\"a\""},
         "FAIL  line 4: expect answer null\n      expected: null\n      actual:   \"a\"\n",
         "{\"kind\":\"expect\",\"depth\":0,\"line\":4,\"step\":\"expect answer null\",\"ok\":false,\"expected\":"
         "\"null\",\"actual\":\"\\\"a\\\"\"}\n"},
        {StateShown{"first\nsecond"}, "first\nsecond\n",
         "{\"kind\":\"show\",\"depth\":0,\"lines\":[\"first\",\"second\"]}\n"},
        {FindingRaised{Finding{&rule::releaseTwice, "twice"}, 1}, "  !! VIOLATION release-twice: twice\n",
         "{\"kind\":\"finding\",\"depth\":1,\"severity\":\"violation\",\"rule\":\"release-twice\",\"message\":"
         "\"twice\"}\n"},
        {PropertyChanged{"1", "x", "text", "y"}, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        const auto line = transcriptLine(row.event);
        const auto json = jsonOf(row.event);
        ASSERT_EQ(line.has_value(), row.text != nullptr);
        ASSERT_EQ(json.has_value(), row.json != nullptr);
        if (row.text) {
            EXPECT_EQ(renderText(*line), row.text);
            EXPECT_EQ(jsonLine(*json), row.json);
        }
    }
}

TEST(TranscriptTest, JsonKeepsUtf8AndMarksInvalidBytes)
{
    const auto json = jsonOf(StateShown{"CAM\xC3\x89RA \xE2\x82\xAC \xFF!"});
    EXPECT_EQ(jsonLine(*json), "{\"kind\":\"show\",\"depth\":0,\"lines\":[\"CAM\xC3\x89RA \xE2\x82\xAC \xEF\xBF\xBD!\"]}\n");
}

TEST(TranscriptTest, FindingsAreCountedBySeverityAndRule)
{
    FindingTally tally;
    EventBus events;
    events.subscribe(tally);
    events.emit(FindingRaised{Finding{&rule::releaseTwice, "twice"}, 1});
    events.emit(FindingRaised{Finding{&rule::unknownControl, "no such"}, 0});
    events.emit(FindingRaised{Finding{&rule::releaseTwice, "again"}, 1});
    EXPECT_EQ(tally.violations(), 2);
    EXPECT_EQ(tally.warnings(), 1);
    EXPECT_EQ(tally.byName(), (std::vector<std::pair<std::string, int>>{{"release-twice", 2}, {"unknown-control", 1}}));
    EXPECT_EQ(tally.counts().front().first, "twice");
}

TEST(GoldenTest, ShowsTheFirstDifferentLine)
{
    struct Case {
        const char* expected;
        const char* actual;
        int line;
        const char* want;
        const char* got;
    };
    const std::vector<Case> cases = {
        {"a\nb\nc\n", "a\nB\nc\n", 2, "b", "B"},
        {"a\nb\n", "a\n", 2, "b", "(end of transcript)"},
        {"a\n", "a\nb\n", 2, "(end of file)", "b"},
        {"a\nb", "a\nb\n", 2, "(no line end)", "(a line end)"},
        {"a\nb\n", "a\nb", 2, "(a line end)", "(no line end)"},
        {"a\nb", "a\nb\nc\n", 3, "(end of file)", "c"},
        {"a\nb\nc", "a\nb", 3, "c", "(end of transcript)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto difference = firstDifference(c.expected, c.actual);
        ASSERT_TRUE(difference);
        EXPECT_EQ(difference->line, c.line);
        EXPECT_EQ(difference->expected, c.want);
        EXPECT_EQ(difference->actual, c.got);
        // The same when the transcript comes a byte at a time.
        std::istringstream golden(c.expected);
        GoldenStream stream(golden);
        for (const char* at = c.actual; *at; ++at)
            stream.feed(std::string_view(at, 1));
        const auto streamed = stream.finish();
        ASSERT_TRUE(streamed);
        EXPECT_EQ(streamed->line, c.line);
        EXPECT_EQ(streamed->actual, c.got);
    }
    EXPECT_FALSE(firstDifference("a\nb\n", "a\nb\n"));
    EXPECT_FALSE(firstDifference("a\nb", "a\nb"));
    EXPECT_FALSE(firstDifference("", ""));
}

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
