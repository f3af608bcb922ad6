// The emulator: a plant, the virtual clock, and the scripts of a studio's
// positions with their panels, driven by operator actions. Each action
// delivers its event, then every revertive that it caused, one call at a
// time, until nothing is left; timers tick in time order as the clock
// advances.
//
// A plain run has one position, without a name. A studio has several, as
// the real host runs many panels in one process: each position has its own
// script host (and so its own outstanding replies), its own panels and its
// own timers, while the plant, its routers and databases, the clock and
// the revertive queue are shared. A take reaches every position registered
// for the destination, in the order the registrations were made. Every
// event a position's script causes is emitted with that position as its
// origin (EventBus::origin).
#ifndef VESK_HOST_EMULATOR_H
#define VESK_HOST_EMULATOR_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// One position of a studio, as the emulator is given it.
struct PositionSetup {
    std::string name;  // empty only for the one position of a plain run
    // The path text handed to the export and the folder its panel files are
    // read from; nothing: the plant's.
    std::optional<std::string> path;
    std::optional<std::filesystem::path> panelFolder;
};

class Emulator {
public:
    // `events` hears everything the emulator and the scripts do; it must
    // outlive the emulator. Without positions: one, without a name.
    Emulator(Plant plant, EventBus& events, const EmulatorOptions& options = {},
             const std::vector<PositionSetup>& positions = {});
    // Ends every script that is still running.
    ~Emulator();

    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    std::size_t positionCount() const { return positions_.size(); }
    const std::string& positionName(std::size_t at) const { return positions_[at]->name; }
    // The position's number, or nothing when the studio has none of that name.
    std::optional<std::size_t> positionNamed(const std::string& name) const;
    // Whether the positions have names (a studio), so that views name them.
    bool studio() const { return !positions_.front()->name.empty(); }
    // Every position's name, in order, for views that name them.
    const std::vector<std::string>& positionNames() const { return names_; }

    // The script's start-up at position `at` with its path (or a null
    // one), then what it caused; fails as ScriptHost::load does.
    Status start(vesk_load_function entry, bool nullPath = false, std::size_t at = 0);
    // Ends the script at `at`; what it leaves in the plant's queue is dropped.
    void shutdown(std::size_t at);
    // Ends every script, in position order; events still queued are dropped.
    void shutdown();
    bool running(std::size_t at = 0) const { return positions_[at]->host.running(); }
    bool anyRunning() const;

    // Operator actions, on the script at `at`; the first four need it running.
    void press(const std::string& panel, const std::string& control, const std::string& event, std::size_t at = 0);
    std::optional<std::string> query(const std::optional<std::string>& text, std::size_t at = 0);
    void revertive(std::int32_t device, std::int32_t index, const std::string& text, std::size_t at = 0);
    // Moves the shared clock: every position's due timers tick in time order.
    void advance(std::int64_t milliseconds);
    // A take made outside the scripts (another panel, a router's own
    // control): every registered position hears it. A poll answers the
    // script at `at`, registered or not. Ranges are the caller's to check.
    void route(Router& router, std::int32_t source, std::int32_t destination);
    void poll(const Router& router, std::int32_t first, std::int32_t last, std::size_t at = 0);
    // A tick (code 4) of timer `id` now, whether or not that timer runs.
    void tick(std::int32_t id, std::size_t at = 0);

    // Deliveries the session steps do not make, each followed by what it
    // caused: any code with any data word, and parent queries whose answers
    // the host holds until it hands them back (see ScriptHost).
    void* deliverCode(int code, void* data, const std::string& shown, std::size_t at = 0);
    void* askQuery(const std::optional<std::string>& text, std::optional<std::string>& answer, std::size_t at = 0);
    void handBackAnswer(void* answer, std::size_t at = 0);

    // How the script's commands at `at` are answered from now on.
    void setReplyMode(ReplyMode mode, std::size_t at = 0) { positions_[at]->host.setReplyMode(mode); }
    // Every position's C++ layout for its next start (nothing: learn it); see script_abi.h.
    void setAbi(std::optional<AbiKind> kind);
    const ScriptHost& host(std::size_t at = 0) const { return positions_[at]->host; }

    Plant& plant() { return plant_; }
    const Plant& plant() const { return plant_; }
    const Panels& panels(std::size_t at = 0) const { return positions_[at]->panels; }
    // Every position's timers, on the one clock.
    const Timers& timers() const { return timers_; }
    // Revertives waiting for delivery.
    std::size_t queued() const { return queue_.size(); }
    // What the memory budget refused first (a reply, a revertive), if anything: the run stops there.
    std::optional<Error> overBudget() const;

private:
    struct Position {
        Position(std::string name, std::optional<std::string> path, std::optional<std::filesystem::path> folder,
                 Plant& plant, Timers& timers, RevertiveQueue& queue, EventBus& events, int number,
                 const EmulatorOptions& options);
        std::string name;
        std::optional<std::string> path;
        std::optional<std::filesystem::path> panelFolder;
        Panels panels;
        CommandContext commands;
        ScriptHost host;
    };

    // The events of what is done inside, as position `at`'s.
    OriginScope as(std::size_t at) const;
    void deliverQueued();
    // False, with one warning, once the action has used its budget.
    bool spend();
    void beginAction() { spent_ = 0; }

    EventBus& events_;
    Plant plant_;
    Timers timers_;
    RevertiveQueue queue_;
    std::vector<std::unique_ptr<Position>> positions_;
    std::vector<std::string> names_;
    int spent_ = 0;
};

} // namespace vesk_host

#endif
