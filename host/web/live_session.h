// The server's side of one live script: it starts the script's process
// (script_child.h) on the plant, carries out the page's steps there one at
// a time with a watchdog on each, keeps what the pages draw (the state
// after the last action, the recent transcript, how the process stands),
// records every step with its expectations (recorder.h), and publishes
// each change to every open page (broadcast.h).
//
// The process's death never ends the server: a crash (a signal), an
// exit() of the script, a hang past the watchdog (the process is killed)
// or a garbled stream is shown as what happened, at which step, with the
// last transcript lines; restart() starts a new process. Thread-safe:
// steps from any number of pages and the real-time clock are carried out
// one at a time.
#ifndef VESK_HOST_WEB_LIVE_SESSION_H
#define VESK_HOST_WEB_LIVE_SESSION_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plant/plant.h"
#include "plant/studio_file.h"
#include "web/broadcast.h"
#include "web/child_process.h"
#include "web/child_protocol.h"
#include "web/live_history.h"
#include "web/recorder.h"

namespace vesk_host::web {

struct LiveOptions {
    // The script; in a studio, the first position's.
    std::string library;
    // A studio's positions, in order, on the one plant; empty: `library` alone.
    std::vector<ScriptPosition> positions;
    // How the recording's replay line names the scripts (" --studio FILE",
    // " --script A=... --script B=..."); empty: " LIBRARY".
    std::string scriptsGiven;
    Plant plant;
    std::string plantFile;  // as given on the command line; empty without a plant
    double watchdogSeconds = 10;
    // Where the recording is written after every action; empty: kept for
    // the page's Save button only. After a restart the next recording goes
    // to the same name with "-2", "-3", ... before its extension.
    std::string recordFile;
};

class LiveSession {
public:
    // Transcript lines shown with a process's end.
    static constexpr std::size_t lastLines = 12;
    // The longest step line a page may send.
    static constexpr std::size_t maxStepLine = 16384;

    LiveSession(LiveOptions options, Broadcast& broadcast);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    struct Failure {
        int exitCode;  // as vesk_host run would exit: 4 for a library that cannot be loaded
        std::string message;
    };
    // Starts the script's process and its start-up. A library that cannot be
    // loaded, or whose export returns null, is a failure; a crash or hang
    // during start-up is not (the page shows it).
    std::optional<Failure> start();

    struct Outcome {
        int httpStatus;  // 200 carried out (see the transcript), 400 unreadable, 409 no script process
        std::string message;
    };
    // One session step from a page, as a line ("press Sources index=1").
    Outcome step(const std::string& line);
    // Ends the script's process, if it runs, and starts a new one.
    Outcome restart();
    // Real-time mode: the virtual clock follows the wall clock.
    void setRealTime(bool on);

    // Everything a page that opens draws, as one message, with the number of
    // the last broadcast message it includes.
    std::pair<std::string, std::uint64_t> fullState() const;
    // The recording of the current process, and its file name for Save.
    std::string recording() const;
    std::string recordingName() const;
    // How the process stands: "running", "crashed", "hung", "exited", "failed".
    std::string processState() const;
    // Expectations that failed in this process, as the page counts them.
    int failedExpectations() const;

private:
    struct ActionResult;

    Outcome runLine(const std::string& line);
    // A line the page sent that is not carried out: recorded as refused.
    Outcome refuse(const std::string& line, const std::string& why);
    std::optional<Failure> startLocked();
    // Reads the child's lines until the action ends; fills `result`.
    void readAction(ActionResult& result, const std::string& stepText);
    void processEnded(ActionResult& result, const std::string& stepText);
    void publishUpdate(const Json& entries, bool reset);
    void writeRecording();
    std::string recordPath() const;
    nlohmann::ordered_json statusJson() const;
    nlohmann::ordered_json recordingJson() const;
    void realTimeLoop();

    LiveOptions options_;
    Broadcast& broadcast_;

    // One action at a time; held while the child works.
    std::mutex actionMutex_;
    ChildProcess child_;

    // What pages read; publishing happens under it too.
    mutable std::mutex stateMutex_;
    nlohmann::ordered_json state_;  // the last snapshot
    LiveHistory history_;
    std::string process_ = "starting";
    std::string message_;
    std::string diedAt_;
    nlohmann::ordered_json last_ = nlohmann::ordered_json::array();
    std::unique_ptr<Recorder> recorder_;
    std::string recordError_;
    int generation_ = 0;
    std::uint64_t actions_ = 0;

    // The real-time clock's thread starts when real-time mode is first
    // turned on, not before: the script's process is a fork of this one, and
    // a fork taken while another thread is inside an allocator without fork
    // handlers (a sanitizer's) can leave the copy a lock that nobody holds.
    std::atomic<bool> realTime_{false};
    std::atomic<bool> stopping_{false};
    std::mutex clockMutex_;
    std::condition_variable clockWake_;
    std::thread clockThread_;  // started under clockMutex_
};

} // namespace vesk_host::web

#endif
