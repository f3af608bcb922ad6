// A script loaded for one check: its own handle on the library, its own
// transcript and an emulator on a copy of the plant. Every transcript line
// goes to the check's trail as it happens. Also the common workload that
// several checks drive, and how findings turn into a check's status.
#ifndef VESK_HOST_VALIDATOR_SCRIPT_RUN_H
#define VESK_HOST_VALIDATOR_SCRIPT_RUN_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "check.h"
#include "emulator.h"
#include "loader.h"
#include "transcript.h"

namespace vesk_host::validator {

// Sends every line of the entry to the trail.
void toTrail(Trail& trail, const Entry& entry);

// Findings counted by rule, in the order rules first broke. Its size stays
// fixed once every rule seen has been seen once, so it can watch many
// cycles without growing the heap.
class FindingTally {
public:
    void add(const Finding& finding);
    void addAll(const std::vector<Finding>& findings);
    // Violations, and rules in `failing`, fail the check; warnings about the
    // script's own conduct warn; warnings about what the plant lacks (unknown
    // devices, panels that did not load, ...) are left out, as hostile
    // replies and made-up events cause them.
    void judge(CheckContext& context, const std::set<const Rule*>& failing = {}) const;
    bool any(const Rule& rule) const;

private:
    struct Count {
        const Rule* rule;
        int times;
        std::string first;
    };
    std::vector<Count> counts_;
};

class ScriptRun {
public:
    explicit ScriptRun(CheckContext& context, ReplyMode replies = ReplyMode::plant);
    ~ScriptRun();

    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    // Loads the library and runs the script's start-up. False, with the
    // check failed, when the library cannot be loaded or the export returns null.
    bool start();
    // Ends the script if it runs.
    void finish();
    // Judges every finding so far into the check.
    void judge(const std::set<const Rule*>& failing = {});

    Emulator& emulator() { return *emulator_; }
    Transcript& transcript() { return transcript_; }
    ScriptLibrary& library() { return library_; }
    // Timer ids the script has started with "ET id interval".
    const std::set<std::int32_t>& timersStarted() const { return timersStarted_; }
    int commandsSent() const { return commandsSent_; }

private:
    CheckContext& context_;
    // Declared first: the library is unloaded only after the script has ended.
    ScriptLibrary library_;
    Transcript transcript_;
    std::unique_ptr<Emulator> emulator_;
    std::set<std::int32_t> timersStarted_;
    int commandsSent_ = 0;
};

// What a script meets in ordinary use: every control of every loaded panel
// pressed with the usual event texts, every router destination polled, a
// revertive from an unknown device, the common parent queries, and a
// second of virtual time so that started timers tick.
void driveWorkload(Emulator& emulator);

// The parent queries a host commonly sends, null among them.
const std::vector<std::optional<std::string>>& commonQueries();

} // namespace vesk_host::validator

#endif
