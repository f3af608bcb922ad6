// The emulator: a plant, the panels the script loaded, the virtual clock
// and the script itself, driven by operator actions. Each action delivers
// its event, then every revertive that it caused, one call at a time, until
// nothing is left; timers tick in time order as the clock advances.
#ifndef VESK_HOST_EMULATOR_H
#define VESK_HOST_EMULATOR_H

#include <cstdint>
#include <optional>
#include <string>

#include "commands/command_executor.h"
#include "emulator/script_host.h"
#include "plant/panels.h"
#include "plant/plant.h"
#include "plant/revertive_queue.h"
#include "plant/timers.h"

namespace vesk_host {

// Where reply texts live (plain where guarded memory is not available) and
// how long a call may take before it is a slow-call warning.
using EmulatorOptions = ScriptHost::Options;

class Emulator {
public:
    // `events` hears everything the emulator and the script do; it must outlive the emulator.
    Emulator(Plant plant, EventBus& events, const EmulatorOptions& options = {});
    // Ends a script that is still running.
    ~Emulator();

    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // The script's start-up with the plant's path (or a null one), then
    // what it caused; fails as ScriptHost::load does.
    Status start(vesk_load_function entry, bool nullPath = false);
    // Ends the script; events still queued are dropped.
    void shutdown();
    bool running() const { return host_.running(); }

    // Operator actions. The first four need a running script.
    void press(const std::string& panel, const std::string& control, const std::string& event);
    std::optional<std::string> query(const std::optional<std::string>& text);
    void revertive(std::int32_t device, std::int32_t index, const std::string& text);
    void advance(std::int64_t milliseconds);
    // A take or a poll made outside the script (another panel, a router's
    // own control); ranges are the caller's to check.
    void route(Router& router, std::int32_t source, std::int32_t destination);
    void poll(const Router& router, std::int32_t first, std::int32_t last);
    // A tick (code 4) of timer `id` now, whether or not that timer runs.
    void tick(std::int32_t id);

    // Deliveries the session steps do not make, each followed by what it
    // caused: any code with any data word, and parent queries whose answers
    // the host holds until it hands them back (see ScriptHost).
    void* deliverCode(int code, void* data, const std::string& shown);
    void* askQuery(const std::optional<std::string>& text, std::optional<std::string>& answer);
    void handBackAnswer(void* answer);

    // How the script's commands are answered from now on.
    void setReplyMode(ReplyMode mode) { host_.setReplyMode(mode); }
    // The script's C++ layout for the next start (nothing: learn it); see script_abi.h.
    void setAbi(std::optional<AbiKind> kind) { host_.setAbi(kind); }
    const ScriptHost& host() const { return host_; }

    Plant& plant() { return plant_; }
    const Plant& plant() const { return plant_; }
    const Panels& panels() const { return panels_; }
    const Timers& timers() const { return timers_; }
    // Revertives waiting for delivery.
    std::size_t queued() const { return queue_.size(); }
    // What the memory budget refused first (a reply, a revertive), if anything: the run stops there.
    std::optional<Error> overBudget() const;

private:
    void deliverQueued();
    // False, with one warning, once the action has used its budget.
    bool spend();
    void beginAction() { spent_ = 0; }

    EventBus& events_;
    Plant plant_;
    Panels panels_;
    Timers timers_;
    RevertiveQueue queue_;
    CommandContext commands_;
    ScriptHost host_;
    int spent_ = 0;
};

} // namespace vesk_host

#endif
