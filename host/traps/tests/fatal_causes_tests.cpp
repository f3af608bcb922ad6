// What the fatal watch names a fault by, on every platform: a read inside
// a guarded reply (after its hand-back, or past its end) or a closed record
// slot, a call past its time-out; and how an exception code is worded.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "traps/exception_names.h"
#include "traps/fatal_moment.h"
#include "traps/record_arena.h"
#include "traps/reply_memory.h"

using namespace vesk_host;

namespace {

std::string ruleOf(const fatal::Report& report) { return report.rule ? report.rule->name : ""; }

TEST(FatalCausesTest, AFaultInsideTheHostsMemoryIsNamedByWhereItFell)
{
    if (!guardedMemoryAvailable())
        GTEST_SKIP() << "no guarded memory on this platform";
    const auto memory = makeReplyMemory(MemoryKind::guarded);
    char* reply = memory->allocate(3, "SD 'ZEP SDI Router'");
    std::memcpy(reply, "21", 3);
    char* handedBack = memory->allocate(3, "RN 12 0 4");
    std::vector<const char*> gone;
    memory->retire(handedBack, 3, gone);
    RecordArena arena;
    char* kept = arena.take("control event \"Sources\" \"index=1\"");
    ASSERT_NE(arena.take("control event \"WFM_Mon\" \"\""), nullptr) << "no record arena here";
    static char elsewhere[16];

    struct Case {
        const char* name;
        const void* address;
        std::string rule;    // empty: not the host's memory
        std::string words;   // in the message
    };
    const Case cases[] = {
        {"inside a live reply", reply, "", ""},
        {"past a live reply's end", reply + 3, "read-past-end",
         "the script read past the end of the host's reply to \"SD 'ZEP SDI Router'\" (its NUL is the last byte the "
         "host gave; access violation 0xC0000005)"},
        {"a reply handed back", handedBack, "read-after-release",
         "the script read the host's reply to \"RN 12 0 4\" after handing it back (access violation 0xC0000005)"},
        {"a record whose call returned", kept, "record-kept",
         "the script read the record of control event \"Sources\" \"index=1\" after the call that delivered it had "
         "returned (access violation 0xC0000005)"},
        {"memory of no one's", elsewhere, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fatal::Report report{};
        const bool named = fatal::describeMemoryFault(report, c.address, "access violation 0xC0000005");
        EXPECT_EQ(named, !c.rule.empty());
        EXPECT_EQ(ruleOf(report), c.rule);
        EXPECT_EQ(std::string(report.message).rfind(c.words, 0), 0u) << report.message;
    }
    memory->free(reply, 3);
}

TEST(FatalCausesTest, ACallIsTimedFromItsStartAndOnlyWithATimeOut)
{
    const std::int64_t start = 1'000'000'000;
    const ScriptLoading loading{};
    const HostEvent call = loading;
    fatal::callStarted(call, start);
    struct Case {
        double timeout;
        std::int64_t now;
        bool past;
    };
    const Case cases[] = {
        {2.0, start, false},
        {2.0, start + 1'999'999'999, false},
        {2.0, start + 2'000'000'000, true},
        {2.0, start + 60'000'000'000, true},
        {0.0, start + 60'000'000'000, false},  // no time-out
    };
    for (const Case& c : cases)
        EXPECT_EQ(fatal::pastTimeout(c.timeout, c.now), c.past) << c.timeout << " s at " << c.now - start;
    fatal::Report report{};
    fatal::describeTimeout(report, 2.0);
    EXPECT_EQ(ruleOf(report), "call-timeout");
    EXPECT_TRUE(report.timedOut);
    EXPECT_EQ(std::string(report.message).rfind("the script did not return within 2 s (hung, or far too slow), during ", 0),
              0u)
        << report.message;
    fatal::callEnded();
    EXPECT_FALSE(fatal::pastTimeout(2.0, start + 60'000'000'000)) << "no call under way";
}

TEST(ExceptionNamesTest, ACodeIsNamedWithItsNumber)
{
    struct Case {
        std::uint32_t code;
        std::string name;
        bool exception;
    };
    const Case cases[] = {
        {0xC0000005, "access violation 0xC0000005", true},
        {0xC00000FD, "stack overflow 0xC00000FD", true},
        {0xC0000409, "stack buffer overrun 0xC0000409", true},
        {0xC0001234, "exception 0xC0001234", true},
        {0x80000003, "breakpoint 0x80000003", true},
        {0x80000005, "exception 0x80000005", false},
        {7, "exception 0x00000007", false},
    };
    for (const Case& c : cases) {
        char name[64];
        writeExceptionName(c.code, name, sizeof name);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(isExceptionCode(c.code), c.exception) << c.name;
    }
    char cut[10];
    writeExceptionName(0xC0000005, cut, sizeof cut);
    EXPECT_STREQ(cut, "access vi");
    EXPECT_STREQ(exceptionMeaning(0xC0000005), "a read or write of memory it does not own");
    EXPECT_STREQ(exceptionMeaning(0xC0001234), "an exception nothing handled");
}

} // namespace
