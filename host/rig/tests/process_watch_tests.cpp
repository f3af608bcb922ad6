// What a call did to the shared process is named once per kind, after the
// call that did it and in its words; a thread still running a call later
// is left running; a watch that is off notes nothing. The interposer's
// notes are made here by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rig/process_watch.h"
#include "testing/event_recorder.h"
#include "traps/process_watch.h"

using namespace vesk_host;

namespace {

struct Watched {
    EventRecorder recorder;
    EventBus events;
    ProcessWatch watch;
    Watched()
    {
        events.subscribe(recorder);
        watch.watch(events);
    }
    ~Watched() { watch.unwatch(events); }
    // One call into the script, during which `during` happens.
    template <class During> void call(const HostEvent& event, During during)
    {
        events.emit(event);
        watch.beforeCall(event);
        during();
        watch.afterCall();
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> said;
        for (const auto& finding : recorder.findings)
            said.push_back(std::string(finding.rule->name) + ": " + finding.message);
        return said;
    }
};

const HostEvent press = ControlDelivered{"1", "Sources", "index=1"};

TEST(ProcessWatchTest, EachChangeIsNamedOnceAfterTheCallThatMadeIt)
{
    Watched watched;
    watched.call(press, [] {
        process::note(process::workingFolder, "chdir(\"/\")");
        process::note(process::workingFolder, "chdir(\"/tmp\")");
        process::note(process::descriptors, "close(1)");
    });
    watched.call(press, [] { process::note(process::workingFolder, "chdir(\"/var\")"); });
    watched.call(ScriptLoading{std::string("panels")}, [] { process::note(process::locale, "setlocale(\"C\")"); });
    EXPECT_EQ(watched.messages(),
              (std::vector<std::string>{
                  "descriptor-changed: the script closed or replaced one of the host's descriptors 0 to 2 with "
                  "close(1), during control event \"Sources\" \"index=1\"",
                  "process-state-changed: the script changed the working folder with chdir(\"/\"), during control "
                  "event \"Sources\" \"index=1\"",
                  "process-state-changed: the script changed the locale with setlocale(\"C\"), during start-up",
              }));
}

TEST(ProcessWatchTest, AThreadStillRunningACallLaterIsLeftRunning)
{
    Watched watched;
    // Started and ended within a call: nothing.
    watched.call(press, [] {
        process::threadStarted();
        process::threadEnded();
    });
    watched.call(press, [] { process::threadStarted(); });
    EXPECT_TRUE(watched.messages().empty());
    watched.call(press, [] {});
    watched.call(press, [] {});
    process::threadEnded();
    EXPECT_EQ(watched.messages(),
              (std::vector<std::string>{"thread-left-running: 1 thread(s) the script started still run after "
                                        "control event \"Sources\" \"index=1\" returned"}));
}

TEST(ProcessWatchTest, TheLibrarysOwnCodeIsNamedAndAWatchThatIsOffNotesNothing)
{
    {
        Watched watched;
        process::note(process::environment, "setenv(\"A\")");
        watched.watch.afterLibraryCode("unload (the library's static destructors)");
        EXPECT_EQ(watched.messages(),
                  (std::vector<std::string>{"process-state-changed: the script changed the environment with "
                                            "setenv(\"A\"), during unload (the library's static destructors)"}));
    }
    EXPECT_FALSE(process::watching());
    process::note(process::environment, "setenv(\"B\")");
    EXPECT_EQ(process::take(), 0u);
}

} // namespace
