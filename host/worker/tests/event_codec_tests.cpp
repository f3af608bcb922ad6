// The events a worker streams come back as the same events: every kind,
// texts of any bytes, rules as the same Rule object; bytes that are no
// event (cut short, an unknown kind or rule, left over) are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transcript/transcript_text.h"
#include "worker/event_codec.h"

namespace {

using namespace vesk_host;

std::vector<HostEvent> everyKind()
{
    Reply text = Reply::textReply(std::string("5,2\0x", 5));
    return {
        ScriptLoading{std::nullopt},
        ScriptLoading{std::string("panels")},
        ControlDelivered{"1", "Sources", "index=1"},
        RevertiveDelivered{-21, 2147483647, "CAM \xff"},
        QueryDelivered{std::nullopt},
        TimerDelivered{7, 9007199254740993LL},
        CodeDelivered{6, "a pointer to 256 zero bytes"},
        AnswerHandedBack{"\"_events\"", "notify=*"},
        ScriptDeleting{},
        CommandSent{std::string("RN 12 0 1"), false, text},
        CommandSent{std::nullopt, true, Reply::statusReply(1)},
        OtherCodeSent{42},
        ReplyReturned{ReplyReturned::Pointer::twice, "21", "SD 'ZEP SDI Router'", 123456},
        AnswerReceived{std::nullopt, false},
        ExportReturnedNull{},
        ScriptUncallable{"no layout"},
        RevertivesDropped{3},
        FindingRaised{Finding{&rule::releaseMissing, "the reply \"21\""}, 1},
        TimerStarted{1, 250},
        TimerStopped{1},
        PropertyChanged{"1", "Sources", "text", "CAM 5"},
        PanelLoaded{"1", "Rig_Vue.vesk_ui"},
        StepStarted{"press Sources index=1", 250, 2},
        StepRefused{4, "no control"},
        StateShown{"== final panel state\nline two"},
        ExpectationChecked{4, "expect command", false, "a", "b"},
        RunSummary{1, 2, 3, 4, {{"release-missing", 1}, {"slow-call", 2}}},
        ScriptPrinted{"debug: pressed\n"},
        HostNote{"guarded reply memory gave way"},
    };
}

std::string bytesOf(const HostEvent& event)
{
    std::string bytes;
    worker::encodeEvent(event, bytes);
    return bytes;
}

TEST(EventCodecTest, EveryKindComesBackTheSame)
{
    const auto events = everyKind();
    // Two kinds have two rows each.
    ASSERT_EQ(events.size(), std::variant_size_v<HostEvent> + 2) << "a kind of event has no row here";
    for (const HostEvent& event : events) {
        const std::string bytes = bytesOf(event);
        const auto back = worker::decodeEvent(bytes);
        ASSERT_TRUE(back) << "kind " << event.index();
        EXPECT_EQ(back->index(), event.index());
        EXPECT_EQ(bytesOf(*back), bytes) << "kind " << event.index();
        const auto line = transcriptLine(event);
        const auto lineBack = transcriptLine(*back);
        EXPECT_EQ(line.has_value(), lineBack.has_value());
        if (line && lineBack) {
            EXPECT_EQ(renderText(*line), renderText(*lineBack));
        }
    }
    const auto finding = worker::decodeEvent(bytesOf(FindingRaised{Finding{&rule::callTimeout, "x"}, 0}));
    EXPECT_EQ(std::get<FindingRaised>(*finding).finding.rule, &rule::callTimeout);
}

TEST(EventCodecTest, BytesThatAreNoEventAreRefused)
{
    const std::string whole = bytesOf(ControlDelivered{"1", "Sources", "index=1"});
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_FALSE(worker::decodeEvent(whole.substr(0, cut))) << "cut at " << cut;
    EXPECT_FALSE(worker::decodeEvent(whole + "x"));
    std::string unknownKind = whole;
    unknownKind[0] = static_cast<char>(std::variant_size_v<HostEvent>);
    EXPECT_FALSE(worker::decodeEvent(unknownKind));
    std::string unknownRule = bytesOf(FindingRaised{Finding{&rule::slowCall, "m"}, 0});
    unknownRule.replace(unknownRule.find("slow-call"), 9, "slow-cell");
    EXPECT_FALSE(worker::decodeEvent(unknownRule));
    // A length beyond the bytes there are.
    std::string tooLong = bytesOf(StateShown{"abc"});
    tooLong[1] = static_cast<char>(0xff);
    EXPECT_FALSE(worker::decodeEvent(tooLong));
}

} // namespace
