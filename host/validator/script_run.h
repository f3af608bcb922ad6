// A script loaded for one check: a Rig of its own (its own handle on the
// library, event bus and emulator on a copy of the plant). Every transcript line
// goes to the check's trail as it happens. Also the common workload that
// several checks drive, and how findings turn into a check's status.
#ifndef VESK_HOST_VALIDATOR_SCRIPT_RUN_H
#define VESK_HOST_VALIDATOR_SCRIPT_RUN_H

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "abi/loader.h"
#include "emulator/emulator.h"
#include "rig/rig.h"
#include "transcript/finding_tally.h"
#include "validator/check.h"

namespace vesk_host::validator {

// Writes the transcript's lines to a check's trail as they happen.
class TrailTranscript final : public EventObserver {
public:
    explicit TrailTranscript(Trail& trail) : trail_(trail) {}
    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }
    void observeFrom(const HostEvent& event, const Origin& origin) override;

private:
    Trail& trail_;
};

// Violations, and rules in `failing`, fail the check; warnings about the
// script's own conduct warn; warnings about what the plant lacks (unknown
// devices, panels that did not load, ...) are left out, as hostile replies
// and made-up events cause them.
void judge(const FindingTally& tally, CheckContext& context, const std::set<const Rule*>& failing = {});

// The plan of a run on the check's script and plant; its emulator tells
// `watchCalls`'s watcher (if any) of every call into the script.
RunPlan planOf(const CheckSetup& setup, ReplyMode replies = ReplyMode::plant);
// The watcher every plan of this process gets from now on (null: none); a
// check's worker tells the validator which call it is in through it.
void watchCalls(CallWatcher* watcher);

// A Rig on the check's plan with the check's trail on its bus; the library
// is opened only when the caller asks (rig().open()).
class WatchedEmulator {
public:
    explicit WatchedEmulator(CheckContext& context, ReplyMode replies = ReplyMode::plant);
    WatchedEmulator(const WatchedEmulator&) = delete;
    WatchedEmulator& operator=(const WatchedEmulator&) = delete;

    Rig& rig() { return rig_; }
    Emulator& emulator() { return rig_.emulator(); }
    EventBus& events() { return rig_.events(); }
    const FindingTally& tally() const { return rig_.tally(); }

private:
    // Before the Rig: it hears the script's end.
    TrailTranscript trail_;
    Rig rig_;
};

class ScriptRun final : private EventObserver {
public:
    explicit ScriptRun(CheckContext& context, ReplyMode replies = ReplyMode::plant);
    ~ScriptRun() override;

    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    // Loads the library and runs the script's start-up. False, with the
    // check failed, when the library cannot be loaded or the export returns null.
    bool start();
    // Ends the script if it runs.
    void finish();
    // Judges every finding so far into the check.
    void judge(const std::set<const Rule*>& failing = {});

    Emulator& emulator() { return watched_->emulator(); }
    EventBus& events() { return watched_->events(); }
    const FindingTally& tally() const { return watched_->tally(); }
    ScriptLibrary& library() { return watched_->rig().loaded(); }
    // Timer ids the script has started with "ET id interval".
    const std::set<std::int32_t>& timersStarted() const { return timersStarted_; }
    int commandsSent() const { return commandsSent_; }

private:
    void observe(const HostEvent& event) override;

    CheckContext& context_;
    std::unique_ptr<WatchedEmulator> watched_;
    std::set<std::int32_t> timersStarted_;
    int commandsSent_ = 0;
};

// What a script meets in ordinary use: every control of every loaded panel
// pressed with the usual event texts, every router destination polled, a
// revertive from an unknown device, the common parent queries, and a
// second of virtual time so that started timers tick. In a studio, the
// script at position `at`.
void driveWorkload(Emulator& emulator, std::size_t at = 0);

// The parent queries a host commonly sends, null among them.
const std::vector<std::optional<std::string>>& commonQueries();

} // namespace vesk_host::validator

#endif
