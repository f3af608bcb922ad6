// Checks of every callback code the host can send, with ordinary and null data.
#include "validator/checks.h"

#include <climits>
#include <cstdint>
#include <tuple>
#include <vector>

#include "base/text_util.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

namespace {

// A data word that points at zeroed host memory: safe for a script that
// reads it, although codes 6 and 7 and unknown codes pass it on unread.
struct ZeroedWord {
    alignas(16) char bytes[256] = {};
    void* word() { return bytes; }
};

struct Delivery {
    int code;
    bool null;  // null data, or the ordinary word
};

void deliverCodes(CheckContext& context, const std::vector<Delivery>& deliveries)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    ZeroedWord zeroed;
    for (const Delivery& delivery : deliveries)
        if (run.emulator().running())
            run.emulator().deliverCode(delivery.code, delivery.null ? nullptr : zeroed.word(),
                                       delivery.null ? "null" : "a pointer to 256 zero bytes");
    run.finish();
    run.judge();
}

} // namespace

void checkCode0(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    // A command a script could send this host: a lookup of one of the plant's own devices.
    const auto& devices = run.emulator().plant().devices;
    std::string text = "SD '" + (devices.empty() ? std::string("any device") : devices.front().name) + "'";
    run.emulator().deliverCode(0, text.data(), "the command text " + quoteText(text));
    run.emulator().deliverCode(0, nullptr, "null");
    run.finish();
    run.judge();
}

void checkCode1(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    Emulator& emulator = run.emulator();
    for (const Router& router : emulator.plant().routers)
        for (const std::int32_t index : {0, router.destinations - 1})
            if (emulator.running())
                emulator.revertive(router.device, index, router.sourceText(1));
    const std::int32_t device = emulator.plant().routers.empty() ? 1 : emulator.plant().routers.front().device;
    for (const std::string& text : {std::string(), std::string(4000, 'R'), std::string("it's 'quoted' %1 %s\n")})
        if (emulator.running())
            emulator.revertive(device, 0, text);
    if (emulator.running())
        emulator.revertive(-1, -1, "a device and index no plant has");
    run.finish();
    run.judge();
}

void checkCode2(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    Emulator& emulator = run.emulator();
    std::vector<std::pair<std::string, std::string>> controls;
    for (const auto& [id, panel] : emulator.panels().all())
        for (const auto& control : panel.controls)
            controls.emplace_back(id, control.id);
    for (const auto& [panel, control] : controls)
        if (emulator.running())
            emulator.press(panel, control, "index=1");
    const std::string firstPanel = controls.empty() ? std::string("1") : controls.front().first;
    const std::string firstControl = controls.empty() ? std::string("Sources") : controls.front().second;
    const std::vector<std::tuple<std::string, std::string, std::string>> odd = {
        {"2", firstControl, "index=1"},            // a panel the script did not load
        {firstPanel, "NoSuchControl", "index=1"},  // a control the panel does not have
        {firstPanel, firstControl, ""},
        {firstPanel, firstControl, "no-equals"},
        {firstPanel, firstControl, "a.b.c=v"},
        {firstPanel, firstControl, "="},
        {firstPanel, firstControl, "index=99999999999999999999"},
        {firstPanel, firstControl, "index=" + std::string(5000, '7')},
        {"", "", ""},
    };
    for (const auto& [panel, control, event] : odd)
        if (emulator.running())
            emulator.press(panel, control, event);
    run.finish();
    run.judge();
}

void checkCode3(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    run.emulator().query(std::string("_events"));
    run.emulator().query(std::nullopt);
    run.finish();
    run.judge();
}

void checkCode4(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    run.emulator().tick(1);
    run.emulator().tick(0);
    run.finish();
    run.judge();
}

void checkCode5(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    Emulator& emulator = run.emulator();
    emulator.deliverCode(5, nullptr, "null");
    bool handedBack = false;
    for (const auto& query : commonQueries()) {
        std::optional<std::string> text;
        void* answer = emulator.askQuery(query, text);
        if (answer) {
            emulator.handBackAnswer(answer);
            handedBack = true;
        }
    }
    if (!handedBack)
        context.note("no common query got a text, so only null came with code 5");
    run.finish();
    run.judge();
}

void checkCode6(CheckContext& context) { deliverCodes(context, {{6, false}, {6, true}}); }

void checkCode7(CheckContext& context) { deliverCodes(context, {{7, false}, {7, true}}); }

void checkCodesOutside(CheckContext& context)
{
    std::vector<Delivery> deliveries;
    for (const int code : {8, 9, 16, 255, 256, 65536, -1, -2, INT_MAX, INT_MIN})
        for (const bool null : {false, true})
            deliveries.push_back({code, null});
    deliverCodes(context, deliveries);
}

void checkNullRecords(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    run.emulator().deliverCode(1, nullptr, "a null revertive record");
    run.emulator().deliverCode(2, nullptr, "a null control record");
    run.finish();
    run.judge();
}

} // namespace vesk_host::validator
