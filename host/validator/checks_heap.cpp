// The script's heap over many events of one kind: what a script allocates
// for an event it frees again.
#include "validator/checks.h"

#include "traps/heap_watch.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

void checkHeapPerEvent(CheckContext& context)
{
    constexpr int rounds = 150;
    ScriptRun run(context);
    if (!run.start())
        return;
    // Known once the script is loaded: on Windows the watch stands in the
    // script's own import tables.
    if (!heap::watching()) {
        run.finish();
        context.skip("the script's heap is not watched in this build (a sanitizer's allocator, or an allocator the "
                     "host cannot stand in front of)");
        return;
    }
    Emulator& emulator = run.emulator();
    std::string panel;
    std::string control;
    for (const auto& [id, loaded] : emulator.panels().all())
        if (!loaded.controls.empty()) {
            panel = id;
            control = loaded.controls.front().id;
            break;
        }
    for (int i = 0; i < rounds && !control.empty() && emulator.running(); ++i)
        emulator.press(panel, control, "index=1");
    const auto& routers = emulator.plant().routers;
    for (int i = 0; i < rounds && !routers.empty() && emulator.running(); ++i)
        emulator.revertive(routers.front().device, 0, routers.front().sourceText(1));
    for (int i = 0; i < rounds && emulator.running(); ++i)
        emulator.tick(1);
    for (int i = 0; i < rounds && emulator.running(); ++i)
        emulator.query(std::string("_events"));
    run.finish();
    run.judge();
    context.note(std::to_string(rounds) + " each of presses" + (control.empty() ? " (no control to press)" : "") +
                 ", revertives, ticks and queries");
}

} // namespace vesk_host::validator
