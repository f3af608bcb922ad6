// One run of a script, assembled in one place for run, serve and every
// check of validate: the library (in a studio, each distinct library once,
// however many positions load it, as a host loads a module once), the
// event bus, the finding tally, the
// watch on what the script does to its process, the emulator on the plan's
// plant and the session runner, declared so that
// they end in the right order (the runner and the emulator, which ends a
// script still running, before the bus; the library, whose static
// destructors may still call the host, last of all, unless unload() has
// closed it while the host still listens).
//
// Observers subscribed to events() from outside must outlive the Rig or
// unsubscribe first.
#ifndef VESK_HOST_RIG_RIG_H
#define VESK_HOST_RIG_RIG_H

#include <memory>
#include <string>
#include <vector>

#include "abi/loader.h"
#include "base/result.h"
#include "emulator/emulator.h"
#include "rig/process_watch.h"
#include "rig/run_plan.h"
#include "session/session_runner.h"
#include "transcript/finding_tally.h"

namespace vesk_host {

class Rig {
public:
    // The library's own code outside any call, in the words of the host's messages.
    static constexpr const char* loadMoment = "the library's loading (its static constructors)";
    static constexpr const char* unloadMoment = "unload (the library's static destructors)";

    // Copies what it needs of `plan`; the plant is moved into the emulator.
    explicit Rig(RunPlan plan);
    ~Rig();
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Loads the plan's libraries; says why one cannot be loaded. Their static
    // constructors run as a call would for the fatal watch, and what they
    // did to the process is named, as after a call.
    Status open();
    // Every position's start-up through the session runner. Fails, in the
    // host's words naming the library, when an export returned null
    // (notLoadable) or a script's layout cannot be driven (unsupported).
    Status startUp();
    // Ends the script if it still runs.
    void finish();
    // Unloads the library now, while the host still listens: what its
    // static destructors send (or do to the process, or an exit or a crash
    // there) is reported, not sent into a host that is gone. The Rig does
    // it itself when it goes, after the script has ended.
    void unload();

    const std::string& library() const { return library_; }
    // The first position's library.
    ScriptLibrary& loaded() { return *libraries_.front().loaded; }
    EventBus& events() { return events_; }
    const FindingTally& tally() const { return tally_; }
    Emulator& emulator() { return emulator_; }
    const Emulator& emulator() const { return emulator_; }
    SessionRunner& runner() { return runner_; }

private:
    struct Library {
        std::string path;
        std::unique_ptr<ScriptLibrary> loaded = std::make_unique<ScriptLibrary>();
    };
    std::string library_;
    // First: unloaded only after the scripts have ended.
    std::vector<Library> libraries_;
    std::vector<std::size_t> libraryOf_;  // each position's, in libraries_
    EventBus events_;
    FindingTally tally_;
    // Before the emulator, whose script host tells it of every call.
    ProcessWatch processWatch_;
    Emulator emulator_;
    SessionRunner runner_;
};

} // namespace vesk_host

#endif
