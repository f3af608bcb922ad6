// A hostile host: malformed, huge and strange replies and events. Each case
// states what the panel sends; the recording host checks that every reply
// comes back exactly once, and the sanitizer and valgrind runs of this
// suite check that nothing leaks or is read out of bounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "deliveries.h"
#include "probe_script.h"
#include "recording_host.h"
#include "script_loader.h"

namespace {

using Calls = std::vector<std::string>;

vesk_load_function loadPanel()
{
    static vesk_load_function load = loadScriptExport(RIG_VUE_LIBRARY);
    return load;
}

std::string words(int count)
{
    std::string text;
    for (int k = 0; k < count; ++k)
        text += (k ? " " : "") + std::to_string(k + 1);
    return text;
}

const std::string megabyte(1 << 20, 'x');
const std::string fortyTokens = words(40);

struct Reply {
    const char* name;
    const char* text;
};

// Replies every reading command is tried with.
const std::vector<Reply> strangeReplies = {
    {"null", nullptr},
    {"empty", ""},
    {"1 MiB", megabyte.c_str()},
    {"40 tokens", fortyTokens.c_str()},
    {"apostrophes", "'7' '8'"},
    {"percent signs", "%1,%2"},
    {"blanks only", "     "},
    {"line breaks", "7\n8,9\r\n"},
    {"no comma", "12"},
    {"many commas", "1,2,3,4,5"},
};

// Load and destroy with every "SD" answered by `sd` and every "RN" by `rn`;
// the commands after the four lookups.
Calls startUp(const char* sd, const char* rn, RecordingHost& host)
{
    host.replyPrefix("SD ", sd);
    host.replyPrefix("RN ", rn);
    delete loadPanel()(&host, "");
    Calls commands = host.commands();
    return Calls(commands.begin() + 4, commands.end());
}

TEST(HostileHostTest, DeviceLookupReplies)
{
    struct Case {
        const char* name;
        const char* reply;
        const char* router;  // device number every "SD" gives
    } cases[] = {
        {"null", nullptr, "0"},
        {"empty", "", "0"},
        {"1 MiB", megabyte.c_str(), "0"},
        {"40 tokens", fortyTokens.c_str(), "1"},
        {"apostrophes", "'7' '8'", "0"},
        {"percent", "%1 %2", "0"},
        {"blanks only", "   ", "0"},
        {"line break", "7\n8", "7"},
        {"above 32 bits", "4294967297", "0"},
        {"below 32 bits", "-2147483649", "0"},
        {"largest", "2147483647", "2147483647"},
        {"smallest", "-2147483648", "-2147483648"},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        Calls sent = startUp(c.reply, nullptr, host);
        std::string device = c.router;
        EXPECT_EQ(sent[0], "RN " + device + " 1 362") << c.name;
        EXPECT_EQ(sent[sent.size() - 7], "RR " + device + " 0 0") << c.name;
        EXPECT_EQ(sent.back(), "AS") << c.name;
        EXPECT_TRUE(host.unreturned().empty()) << c.name;
        EXPECT_TRUE(host.violations.empty()) << c.name;
    }
}

TEST(HostileHostTest, DestinationReplies)
{
    struct Case {
        const char* name;
        const char* reply;
        const char* video;
        const char* audio;
    } cases[] = {
        {"null", nullptr, "0", "0"},
        {"empty", "", "0", "0"},
        {"1 MiB", megabyte.c_str(), "0", "0"},
        {"40 tokens", fortyTokens.c_str(), "1", "0"},
        {"apostrophes", "'7','8'", "0", "0"},
        {"percent signs", "%1,%2", "0", "0"},
        {"blanks only", "   ,   ", "0", "0"},
        {"line breaks", "7\n,\n8", "7", "8"},
        {"no comma", "12", "12", "0"},
        {"many commas", "1,2,3", "1", "2"},
        {"dashes", "-,-", "0", "0"},
        {"out of range", "99999999999,-99999999999", "0", "0"},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        Calls sent = startUp("5", c.reply, host);
        std::string video = c.video, audio = c.audio;
        EXPECT_EQ(Calls(sent.begin() + 4, sent.begin() + 8),
                  (Calls{"RR 5 " + video + " " + video, "RR 5 " + audio + " " + audio, "RP 5 " + video + " " + video,
                         "RP 5 " + audio + " " + audio}))
            << c.name;
        EXPECT_TRUE(host.unreturned().empty()) << c.name;
    }
}

TEST(HostileHostTest, PackageRepliesNeverRouteGarbage)
{
    for (const Reply& reply : strangeReplies) {
        RecordingHost host;
        host.replyPrefix("SD ", "5");
        host.reply("RN 5 1 362", "12,17");
        host.replyPrefix("RN 5 0 ", reply.text);
        std::unique_ptr<vesk_client_callback> panel(loadPanel()(&host, ""));
        host.clear();
        deliver::control(*panel, "1", "Sources", "index=1");
        Calls sent = host.commands();
        ASSERT_GE(sent.size(), 2u) << reply.name;
        EXPECT_EQ(sent.front(), "RN 5 0 1") << reply.name;
        EXPECT_EQ(sent.back(), "ET 1 250") << reply.name;
        for (std::size_t k = 1; k + 1 < sent.size(); ++k)
            EXPECT_EQ(sent[k].rfind("RC 5 ", 0), 0u) << reply.name << ": " << sent[k];
        panel.reset();
        EXPECT_TRUE(host.unreturned().empty()) << reply.name;
        EXPECT_TRUE(host.violations.empty()) << reply.name;
    }
}

TEST(HostileHostTest, AlarmRepliesAreReadSafely)
{
    for (const Reply& list : strangeReplies)
        for (const Reply& value : strangeReplies) {
            RecordingHost host;
            host.reply("XI '1' 'alm_'", list.text);
            host.replyPrefix("TG ", value.text);
            ProbeScript script(&host);
            script.setAlarmHandling(true);
            testing::internal::CaptureStderr();
            deliver::control(script, "1", "AckAll", "press");
            testing::internal::GetCapturedStderr();
            Calls sent = host.commands();
            ASSERT_FALSE(sent.empty());
            EXPECT_EQ(sent.front(), "XI '1' 'alm_'");
            EXPECT_TRUE(host.unreturned().empty()) << list.name << " / " << value.name;
            EXPECT_TRUE(host.violations.empty()) << list.name << " / " << value.name;
        }
}

TEST(HostileHostTest, StrangeEventsSendNothingOrTheirOwnText)
{
    RecordingHost host;
    host.replyPrefix("SD ", "5");
    host.reply("RN 5 1 362", "12,17");
    std::unique_ptr<vesk_client_callback> panel(loadPanel()(&host, ""));
    host.clear();

    // Control records with null fields are ignored.
    ControlEventRecord empty{};
    panel->callback(&empty, VESK_CODE_CONTROL);
    ControlEventRecord noEvent{0, 0, "1", "Sources", nullptr};
    panel->callback(&noEvent, VESK_CODE_CONTROL);
    ControlEventRecord noPanel{0, 0, nullptr, "WFM_Mon", nullptr};
    panel->callback(&noPanel, VESK_CODE_CONTROL);
    // Codes outside 0..7, with data that must not be read.
    for (int code : {-2147483647 - 1, -1, 8, 9, 255, 2147483647})
        EXPECT_EQ(panel->callback(reinterpret_cast<void*>(std::intptr_t(1)), code), nullptr);
    // A parent query of 100,000 dots, and a long one.
    std::string dots(100000, '.');
    EXPECT_EQ(deliver::parentQuery(*panel, dots.c_str()), std::nullopt);
    EXPECT_EQ(deliver::parentQuery(*panel, ("_events" + dots).c_str()), std::string("notify=*"));
    EXPECT_EQ(deliver::parentQuery(*panel, megabyte.c_str()), std::nullopt);
    // Timer ids at the ends of the range.
    deliver::timer(*panel, -2147483647 - 1);
    deliver::timer(*panel, 2147483647);
    // A revertive whose text is huge goes out whole.
    deliver::revertive(*panel, 5, 12, megabyte.c_str());
    Calls sent = host.commands();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], "ET -2147483648");
    EXPECT_EQ(sent[1], "ET 2147483647");
    EXPECT_EQ(sent[2], "TP 'text=" + megabyte + "' '1' 'video_source'");
}

TEST(HostileHostTest, EventsAfterAnEmptyPlant)
{
    RecordingHost host;
    std::unique_ptr<vesk_client_callback> panel(loadPanel()(&host, ""));
    host.clear();
    deliver::control(*panel, "1", "Sources", "index=1");
    deliver::revertive(*panel, 0, 0, "SRC");
    deliver::timer(*panel, 1);
    EXPECT_EQ(host.log, (Calls{"RN 0 0 1", "release null", "ET 1 250", "TP 'text=SRC' '1' 'video_source'", "ET 1",
                               "TP 'select=-1' '1' 'Sources'"}));
}

} // namespace
