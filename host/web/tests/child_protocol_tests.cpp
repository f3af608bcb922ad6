// The child protocol's pieces: texts of any bytes through JSON, the facts
// record, the line splitter, and the broadcast to pages.
#include <gtest/gtest.h>

#include <thread>

#include "transcript/transcript_json.h"
#include "web/broadcast.h"
#include "web/child_protocol.h"

using namespace vesk_host;
using namespace vesk_host::web;

TEST(BytesJson, KeepsEveryTextExactly)
{
    const std::string texts[] = {
        "", "RC 21 5 12 ',' 0", "text=CAM 5", "quote \" and backslash \\", "line\nbreak\ttab",
        "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x8E\xA5",
        "lone \xFF byte", "cut \xC3", "overlong \xC0\xAF", "surrogate \xED\xA0\x80", "beyond \xF4\x90\x80\x80",
        std::string("nul\0inside", 10), std::string(70000, 'x'),
    };
    for (const std::string& text : texts) {
        const Json json = bytesJson(text);
        const Json back = Json::parse(jsonLine(json));
        EXPECT_EQ(bytesFromJson(back), text) << jsonLine(json);
    }
    EXPECT_TRUE(bytesJson("caf\xC3\xA9").is_string());
    EXPECT_EQ(bytesJson("a\xFF").dump(), R"({"hex":"61ff"})");
}

TEST(BytesJson, RefusesWhatIsNoText)
{
    const char* bad[] = {R"(5)", R"(null)", R"({"hex":"6"})", R"({"hex":"zz"})", R"({"hex":"61","more":1})",
                         R"({"hex":5})", R"(["a"])"};
    for (const char* text : bad)
        EXPECT_FALSE(bytesFromJson(Json::parse(text))) << text;
}

TEST(FactsJson, RoundTrips)
{
    ActionFacts facts;
    facts.commands = {{"RN 12 0 1", ""}, {"TP 'text=\xFF' '1' 'video_source'", ""}, {"(null)", ""}};
    facts.properties = {{"1", "video_source", "text", "CAM 5", ""}, {"2", "x", "y", "\xFE", ""}};
    facts.answer = std::optional<std::string>("notify=*");
    facts.complete = false;
    const auto back = factsFromJson(Json::parse(jsonLine(factsJson(facts))));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->commands, facts.commands);
    ASSERT_EQ(back->properties.size(), 2u);
    EXPECT_EQ(back->properties[1].value, "\xFE");
    EXPECT_EQ(back->answer, facts.answer);
    EXPECT_FALSE(back->complete);

    ActionFacts nullAnswer;
    nullAnswer.answer = std::optional<std::string>();
    const auto null = factsFromJson(factsJson(nullAnswer));
    ASSERT_TRUE(null && null->answer);
    EXPECT_FALSE(*null->answer);
    const auto noQuery = factsFromJson(factsJson(ActionFacts{}));
    ASSERT_TRUE(noQuery);
    EXPECT_FALSE(noQuery->answer);
}

TEST(FactsJson, AStudiosFactsKeepTheirPositions)
{
    ActionFacts facts;
    facts.commands = {{"RN 12 0 1", "Rig"}, {"TP 'text=CAM 5' '1' 'video'", "Watch"}};
    facts.properties = {{"1", "video", "text", "CAM 5", "Watch"}};
    const Json json = factsJson(facts);
    EXPECT_EQ(json["positions"], Json::parse(R"(["Rig","Watch"])"));
    const auto back = factsFromJson(json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->commands, facts.commands);
    ASSERT_EQ(back->properties.size(), 1u);
    EXPECT_EQ(back->properties[0].position, "Watch");
    // A plain run's facts carry no positions at all.
    EXPECT_FALSE(factsJson(ActionFacts{}).contains("positions"));
}

TEST(FactsJson, RefusesMalformedRecords)
{
    const char* bad[] = {
        R"({"kind":"state"})",
        R"({"kind":"facts","properties":[],"complete":true})",
        R"({"kind":"facts","commands":"RN","properties":[],"complete":true})",
        R"({"kind":"facts","commands":[5],"properties":[],"complete":true})",
        R"({"kind":"facts","commands":[],"properties":[{"panel":"1"}],"complete":true})",
        R"({"kind":"facts","commands":[],"properties":[],"complete":"yes"})",
        R"({"kind":"facts","commands":[],"properties":[],"complete":true,"answer":7})",
        R"({"kind":"facts","commands":["RN"],"positions":[],"properties":[],"complete":true})",
        R"({"kind":"facts","commands":["RN"],"positions":[1],"properties":[],"complete":true})",
        R"({"kind":"facts","commands":[],"properties":[{"panel":"1","control":"c","property":"p","value":"v","position":2}],"complete":true})",
        R"([1,2])",
    };
    for (const char* text : bad)
        EXPECT_FALSE(factsFromJson(Json::parse(text))) << text;
}

TEST(LineSplitter, JoinsPiecesAndSplitsLines)
{
    LineSplitter splitter(100);
    std::vector<std::string> lines;
    const std::string stream = "{\"kind\":\"a\"}\n\n{\"kind\":\"b\"}\nrest";
    for (const char c : stream)
        splitter.feed(&c, 1, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"{\"kind\":\"a\"}", "", "{\"kind\":\"b\"}"}));
    EXPECT_EQ(splitter.pending(), "rest");
    lines.clear();
    splitter.feed("\nx\ny\n", 5, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"rest", "x", "y"}));
    EXPECT_FALSE(splitter.overlong());
}

TEST(LineSplitter, ALineOverTheLimitSpoilsTheStream)
{
    LineSplitter splitter(10);
    std::vector<std::string> lines;
    splitter.feed("0123456789\n", 11, lines);
    EXPECT_EQ(lines.size(), 1u);
    splitter.feed("01234", 5, lines);
    splitter.feed("567890\nok\n", 10, lines);
    EXPECT_TRUE(splitter.overlong());
    EXPECT_EQ(lines.size(), 1u);
}
