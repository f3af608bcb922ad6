// The MSVC-ABI test host: loads Rig_Vue.dll as the production host does
// (LoadLibraryA, the export by its plain name, every call through the
// vtable of vesk_client_callback) and checks every command text byte for
// byte, the order of the calls and the release rule.
//
// Usage: abi_host [Rig_Vue.dll [init_probe.dll]]
// Prints one line per check and ends with "N passed, M failed"; the exit
// status is 0 only when nothing failed.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host_events.h"
#include "recording_host.h"
#include "windows_loader.h"

namespace {

int passed = 0;
int failed = 0;

void report(bool ok, const char* name)
{
    if (ok)
        ++passed;
    else
        ++failed;
    printf("%s %s\n", ok ? "ok  " : "FAIL", name);
}

// The host's calls since its last clear must be exactly `expected`.
void expectLog(const char* name, const RecordingHost& host, const char* const* expected, int count)
{
    int longer = host.logCount() > count ? host.logCount() : count;
    int differ = -1;
    for (int i = 0; i < longer && differ < 0; ++i)
        if (i >= count || i >= host.logCount() || strcmp(expected[i], host.logLine(i)) != 0)
            differ = i;
    report(differ < 0, name);
    if (differ >= 0)
        printf("     call %d: expected \"%s\", got \"%s\"\n", differ + 1,
               differ < count ? expected[differ] : "(nothing)",
               differ < host.logCount() ? host.logLine(differ) : "(nothing)");
}

template <int count>
void expectCalls(const char* name, const RecordingHost& host, const char* const (&expected)[count])
{
    expectLog(name, host, expected, count);
}

void expectNoCalls(const char* name, const RecordingHost& host) { expectLog(name, host, 0, 0); }

void expectText(const char* name, const char* got, const char* expected)
{
    bool same = strcmp(got, expected) == 0;
    report(same, name);
    if (!same)
        printf("     expected \"%s\", got \"%s\"\n", expected, got);
}

// The bundled plant: package crosspoints on device 5, the SDI router 7
// (destination 12), the audio router 8 (destination 17).
void answerPlant(RecordingHost& host)
{
    host.reply("SD 'ZEP Package Names'", "3");
    host.reply("SD 'ZEP Package XPTS'", "5");
    host.reply("SD 'ZEP SDI Router'", "7");
    host.reply("SD 'ZEP Audio Router'", "8");
    host.reply("RN 5 1 362", "12,17");
    host.reply("RN 5 0 1", "101,201");
    host.status("PS '1' 'Rig_Vue.vesk_ui'", 1);
    host.status("PS '1' 'P/Rig_Vue.vesk_ui'", 1);
}

const char* const startUp[] = {
    "SD 'ZEP Package Names'", "release 3",
    "SD 'ZEP Package XPTS'", "release 5",
    "SD 'ZEP SDI Router'", "release 7",
    "SD 'ZEP Audio Router'", "release 8",
    "RN 5 1 362", "release 12,17",
    "PS '1' 'Rig_Vue.vesk_ui'",
    "TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'",
    "TP 'statesheet=KQ_Tally_Red' '1' 'AudioEnable'",
    "RR 7 12 12", "RR 8 17 17",
    "RP 7 12 12", "RP 8 17 17",
};

void runPanel(vesk_load_function load)
{
    RecordingHost host;
    answerPlant(host);
    vesk_client_callback* script = load(&host, "");
    report(script != 0, "the export returns a script");
    if (!script)
        return;
    expectCalls("start-up sends its commands in order, each reply handed back", host, startUp);

    host.clear();
    sendControl(script, "1", "Sources", "index=1");
    const char* const bothRoutes[] = {"RN 5 0 1", "release 101,201", "RC 7 101 12 ',' 0", "RC 8 201 17 ',' 0",
                                      "ET 1 250"};
    expectCalls("a package choice routes video and audio", host, bothRoutes);

    host.clear();
    sendControl(script, "1", "WFM_Mon", "press");
    const char* const videoOff[] = {"TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'"};
    expectCalls("WFM_Mon switches video following off", host, videoOff);

    host.clear();
    sendControl(script, "1", "Sources", "index=1");
    const char* const audioOnly[] = {"RN 5 0 1", "release 101,201", "RC 8 201 17 ',' 0", "ET 1 250"};
    expectCalls("without video following only audio is routed", host, audioOnly);

    host.clear();
    sendControl(script, "1", "WFM_Mon", "press");
    const char* const videoOn[] = {"TP 'statesheet=KQ_Tally_Red' '1' 'VideoEnable'"};
    expectCalls("WFM_Mon switches video following on again", host, videoOn);

    host.clear();
    sendControl(script, "2", "WFM_Mon", "press");
    expectNoCalls("events of another panel are ignored", host);

    host.clear();
    sendRevertive(script, 7, 12, "CAM 1");
    const char* const videoSource[] = {"TP 'text=CAM 1' '1' 'video_source'"};
    expectCalls("a revertive of the SDI router shows in video_source", host, videoSource);

    host.clear();
    sendRevertive(script, 8, 17, "MIC 2");
    const char* const audioSource[] = {"TP 'text=MIC 2' '1' 'audio_source'"};
    expectCalls("a revertive of the audio router shows in audio_source", host, audioSource);

    host.clear();
    sendRevertive(script, 7, 17, "X");
    expectNoCalls("a revertive for another destination is ignored", host);

    host.clear();
    char answer[64];
    bool answered = sendParentQuery(script, "_events", answer, sizeof answer);
    report(answered, "the parent query _events is answered");
    expectText("the answer to _events is notify=*", answer, "notify=*");
    report(!sendParentQuery(script, "return=all", answer, sizeof answer), "the parent query return=all answers null");
    expectNoCalls("parent queries send no command", host);

    host.clear();
    sendTimer(script, 1);
    const char* const timerOne[] = {"ET 1", "TP 'select=-1' '1' 'Sources'"};
    expectCalls("timer 1 stops and clears the selection", host, timerOne);

    host.clear();
    sendTimer(script, 2);
    const char* const timerTwo[] = {"ET 2"};
    expectCalls("another timer is only stopped", host, timerTwo);

    host.clear();
    // The virtual destructor, deleting form: Microsoft's ABI has one slot.
    delete script;
    const char* const shutdown[] = {"RU 7", "RU 8", "AS"};
    expectCalls("destruction drops both registrations, then ends", host, shutdown);

    report(host.unreturned() == 0, "every reply came back with code 5");
    report(host.violations() == 0, "nothing came back twice and nothing foreign came back");
}

void runPath(vesk_load_function load)
{
    RecordingHost host;
    answerPlant(host);
    vesk_client_callback* script = load(&host, "P");
    report(script != 0, "the export returns a script for a path");
    if (!script)
        return;
    expectText("the path goes in front of the panel file", host.logCount() > 10 ? host.logLine(10) : "",
               "PS '1' 'P/Rig_Vue.vesk_ui'");
    delete script;
}

void runWithoutHost(vesk_load_function load)
{
    vesk_client_callback* script = load(0, 0);
    report(script != 0, "the export works without a host");
    if (!script)
        return;
    sendControl(script, "1", "Sources", "index=1");
    sendRevertive(script, 0, 0, "X");
    sendTimer(script, 1);
    char answer[64];
    sendParentQuery(script, "_events", answer, sizeof answer);
    expectText("without a host queries are still answered", answer, "notify=*");
    delete script;
}

// A DLL of the C runtime layer runs its static initialisers when loaded
// and its static destructors when unloaded.
void runInitProbe(const char* file)
{
    void* module = LoadLibraryA(file);
    report(module != 0, "the initialiser probe DLL loads");
    if (!module)
        return;
    typedef int(__cdecl * Constructed)();
    typedef void(__cdecl * Watch)(int*);
    Constructed constructed = reinterpret_cast<Constructed>(GetProcAddress(module, "probe_constructed"));
    Watch watch = reinterpret_cast<Watch>(GetProcAddress(module, "probe_watch"));
    if (!constructed || !watch) {
        report(false, "the initialiser probe has its exports");
        FreeLibrary(module);
        return;
    }
    report(constructed() == 1, "a DLL's static initialiser ran once on load");
    int destroyed = 0;
    watch(&destroyed);
    FreeLibrary(module);
    report(destroyed == 1, "a DLL's static destructor ran once on unload");
}

void doNothing() {}

// The layer's own promises: a formatted text that does not fit still ends
// inside its buffer, and a full exit table refuses instead of overwriting.
void runRuntimeLayer()
{
    char small[8];
    memset(small, 'x', sizeof small);
    int written = snprintf(small, sizeof small, "%s", "0123456789");
    report(written < 0 && strcmp(small, "0123456") == 0, "snprintf ends a text that does not fit inside the buffer");
    char exact[8];
    written = snprintf(exact, sizeof exact, "%d", 1234567);
    report(written == 7 && strcmp(exact, "1234567") == 0, "snprintf writes a text that fits whole");

    int accepted = 0;
    while (accepted < 1000 && atexit(doNothing) == 0)
        ++accepted;
    report(accepted == 64, "atexit takes 64 functions, then reports a full table");
}

// The program's own static initialiser must have run before main.
volatile int programInitialised = 0;
struct ProgramProbe {
    ProgramProbe() { programInitialised = programInitialised + 1; }
};
ProgramProbe programProbe;

} // namespace

int main(int argc, char** argv)
{
    const char* library = argc > 1 ? argv[1] : "Rig_Vue.dll";
    const char* probe = argc > 2 ? argv[2] : "init_probe.dll";

    report(programInitialised == 1, "the program's static initialiser ran once before main");

    void* module = LoadLibraryA(library);
    report(module != 0, "Rig_Vue.dll loads");
    vesk_load_function load =
        module ? reinterpret_cast<vesk_load_function>(GetProcAddress(module, VESK_LOAD_SYMBOL)) : 0;
    report(load != 0, "load_vesk_client_script is found by its plain name");
    if (load) {
        runPanel(load);
        runPath(load);
        runWithoutHost(load);
    }
    if (module)
        FreeLibrary(module);
    runInitProbe(probe);
    runRuntimeLayer();

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
