// Heap allocations per operation: numeric commands and ordinary panel
// events cost none; each decoder costs exactly one per non-empty text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "alloc_counter.h"
#include "deliveries.h"
#include "probe_script.h"
#include "script_loader.h"
#include "static_host.h"
#include "vesk_decode.h"

namespace {

std::size_t allocationsOf(const std::function<void()>& operation)
{
    AllocScope scope;
    operation();
    return scope.count().allocations;
}

TEST(AllocationTest, CommandsWithShortTextsUseNoHeap)
{
    StaticHost host;
    ProbeScript script(&host);
    vesk_string text;
    struct Case {
        const char* name;
        std::function<void()> send;
    } cases[] = {
        {"RP", [&] { script.revertivePoll(2147483647, -2147483647, 5); }},
        {"RR", [&] { script.revertiveRegister(-2147483647, 2147483647, -1, true); }},
        {"RU", [&] { script.revertiveUnregister(-2147483647); }},
        {"ET", [&] { script.timerSet(1, 250); }},
        {"ET kill", [&] { script.timerKill(1); }},
        {"RC", [&] { script.routeSet(7, 101, 12, "", false); }},
        {"RN", [&] { script.databaseRead(5, 0, 1, text); }},
        {"TP", [&] { script.textSet("statesheet", "KQ_Tally_Black", "1", "VideoEnable"); }},
        {"PS", [&] { script.panelLoad("1", "Rig_Vue.vesk_ui", ""); }},
        {"AS", [&] { script.scriptClose(); }},
    };
    for (const auto& c : cases)
        EXPECT_EQ(allocationsOf(c.send), 0u) << c.name;
    EXPECT_GT(host.commands, 0u);
}

TEST(AllocationTest, DecodersAllocateOncePerNonEmptyText)
{
    struct Case {
        const char* text;
        std::size_t allocations;
    } cases[] = {{nullptr, 0}, {"", 0}, {"index=3", 1}, {"a.b.c=v", 1}, {"12 3 'x y'", 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(allocationsOf([&] { DottedName d(c.text); }), c.allocations) << (c.text ? c.text : "null");
        EXPECT_EQ(allocationsOf([&] { decodeVESKString d(c.text, '\''); }), c.allocations) << (c.text ? c.text : "null");
    }
}

TEST(AllocationTest, PanelEventsUseNoHeap)
{
    StaticHost host;
    std::unique_ptr<vesk_client_callback> panel(loadScriptExport(RIG_VUE_LIBRARY)(&host, ""));
    ASSERT_NE(panel, nullptr);
    // The host's own parse of the event text is made outside the count.
    DottedName index("index=1");
    DottedName press("press");
    ControlEventRecord choice{0, 0, "1", "Sources", &index};
    ControlEventRecord toggle{0, 0, "1", "WFM_Mon", &press};
    struct {
        RevertiveEventRecord head;
        char rest[16];
    } revertive{{7, 0, 12, 0, {'C'}}, "AM 1"};
    struct Case {
        const char* name;
        int code;
        void* data;
        std::size_t commands;
    } cases[] = {
        {"package choice", VESK_CODE_CONTROL, &choice, 4},
        {"toggle", VESK_CODE_CONTROL, &toggle, 1},
        {"revertive", VESK_CODE_REVERTIVE, &revertive, 1},
        {"timer 1", VESK_CODE_TIMER, reinterpret_cast<void*>(1), 2},
        {"other timer", VESK_CODE_TIMER, reinterpret_cast<void*>(9), 1},
    };
    for (const auto& c : cases) {
        host.commands = 0;
        EXPECT_EQ(allocationsOf([&] { panel->callback(c.data, c.code); }), 0u) << c.name;
        EXPECT_EQ(host.commands, c.commands) << c.name;
    }
    EXPECT_EQ(host.foreignReleases, 0);
}

} // namespace
