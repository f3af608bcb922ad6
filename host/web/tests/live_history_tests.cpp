// What the live page keeps of a process's past: numbered lines within their
// bounds, failed expectations counted and listed, each rule's first line.
#include <gtest/gtest.h>

#include "web/live_history.h"

using namespace vesk_host::web;

namespace {

Json entry(const char* kind, Json more = Json::object())
{
    more["kind"] = kind;
    return more;
}

} // namespace

TEST(LiveHistory, NumbersLinesAndNotesFailuresAndFirstRuleLines)
{
    LiveHistory history;
    const Json first = history.keep({entry("action"), entry("finding", {{"rule", "release-once"}})}, 1);
    EXPECT_EQ(first[0]["n"], 1);
    EXPECT_EQ(first[1]["a"], 1);
    const Json second = history.keep({entry("expect", {{"step", "expect answer null"}, {"ok", false},
                                                         {"expected", "null"}, {"actual", "\"x\""}}),
                                      entry("finding", {{"rule", "release-once"}}), entry("expect", {{"ok", true}})},
                                     2);
    EXPECT_EQ(second[0]["n"], 3);
    EXPECT_EQ(history.failedExpectations(), 1);
    EXPECT_EQ(history.ruleLines()["release-once"], 2);  // the first time, not the last
    EXPECT_EQ(failureOf(second), "expect answer null: expected null, actual \"x\"");
    EXPECT_EQ(failureOf(first), "");
    history.processEnded("crashed", "the script crashed");
    const Json events = history.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["kind"], "expectation");
    EXPECT_EQ(events[0]["line"], 3);
    EXPECT_EQ(events[1]["kind"], "crashed");
    EXPECT_EQ(events[1]["line"], 5);  // the last line before the crash
    EXPECT_EQ(history.lastEntries(2).size(), 2u);
    history.clear();
    EXPECT_EQ(history.lines().size(), 0u);
    EXPECT_EQ(history.keep({entry("action")}, 3)[0]["n"], 1);
}

TEST(LiveHistory, KeepsTheNewestWithinItsBounds)
{
    LiveHistory history;
    for (std::size_t i = 0; i < LiveHistory::maxLines + 10; ++i)
        history.keep({entry("note")}, i);
    EXPECT_EQ(history.lines().size(), LiveHistory::maxLines);
    EXPECT_EQ(history.lines().back()["n"], LiveHistory::maxLines + 10);
    // One huge line pushes the rest out, but is kept itself.
    history.keep({entry("note", {{"note", std::string(LiveHistory::maxBytes, 'x')}})}, 0);
    EXPECT_EQ(history.lines().size(), 1u);
    for (std::size_t i = 0; i < LiveHistory::maxEvents + 5; ++i)
        history.processEnded("hung", "hung");
    EXPECT_EQ(history.events().size(), LiveHistory::maxEvents);
}
