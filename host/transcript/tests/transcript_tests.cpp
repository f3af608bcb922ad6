// The transcript: each event as its text line and its JSON line, findings
// counted, and the golden comparison's first different line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "transcript/finding_tally.h"
#include "transcript/golden.h"
#include "transcript/transcript_json.h"
#include "transcript/transcript_text.h"

using namespace vesk_host;

namespace {

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

// A studio position's lines start with "@NAME " (each line of a
// multi-line one), its JSON objects carry "position" after "depth"; the
// one position of a plain run, and the host's own events, are not marked.
TEST(TranscriptTest, APositionMarksEveryLineAndJsonObject)
{
    const Origin named{1, "Watch"};
    const HostEvent command = CommandSent{std::string("RU 21"), false, Reply{}};
    const HostEvent shown = StateShown{"first\nsecond"};
    EXPECT_EQ(renderText(*transcriptLine(command), named.name), "@Watch   script > host  0  \"RU 21\"  ->  null\n");
    EXPECT_EQ(renderText(*transcriptLine(shown), named.name), "@Watch first\n@Watch second\n");
    EXPECT_EQ(jsonLine(*jsonOf(command, named)),
              "{\"kind\":\"command\",\"depth\":1,\"position\":\"Watch\",\"code\":0,\"text\":\"RU 21\",\"reply\":null}\n");
    EXPECT_EQ(jsonLineOf(command, named), jsonLine(*jsonOf(command, named)));
    for (const Origin& unmarked : {Origin{}, Origin{0, ""}}) {
        EXPECT_EQ(renderText(*transcriptLine(command), unmarked.name), renderText(*transcriptLine(command)));
        EXPECT_EQ(jsonLineOf(command, unmarked), jsonLineOf(command));
    }
    EXPECT_FALSE(jsonOf(PropertyChanged{"1", "x", "text", "y"}, named));

    std::string written;
    JsonTranscript json([&](const std::string& text) { written += text; });
    EventBus events;
    events.subscribe(json);
    {
        const OriginScope scope(events, named);
        events.emit(command);
    }
    events.emit(command);
    EXPECT_EQ(written, jsonLine(*jsonOf(command, named)) + jsonLine(*jsonOf(command)));
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

} // namespace
