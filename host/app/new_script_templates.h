// The files `vesk_host new NAME` writes (its tests, presets and debugger
// launches: new_script_tooling.h). "@NAME@" stands for the script's
// name wherever it appears, in file names too. The project is a small,
// working script: a list that routes a source to destination 1 of one
// router, the router's revertive shown in a text, a timer that clears a
// status line, and the "_events" parent query answered.
#ifndef VESK_HOST_NEW_SCRIPT_TEMPLATES_H
#define VESK_HOST_NEW_SCRIPT_TEMPLATES_H

namespace vesk_host {

struct ProjectFile {
    const char* path;  // relative to the project folder, "/" between parts
    const char* text;
};

inline constexpr ProjectFile projectFiles[] = {
    {"CMakeLists.txt", R"(# @NAME@: a panel script for the vesk panel host, built against the
# installed vesk package (headers, framework, string library, vesk_host,
# vesk::testing).
cmake_minimum_required(VERSION 3.25)
project(@NAME@ LANGUAGES CXX)

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
# Debug information unless a build type is asked for (cmake --preset
# release, or -DCMAKE_BUILD_TYPE=Release).
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE Debug CACHE STRING "Debug, Release, RelWithDebInfo or MinSizeRel" FORCE)
endif()

# Installed elsewhere than /usr or /usr/local? Configure with
# -DCMAKE_PREFIX_PATH=/the/prefix.
find_package(vesk 1 REQUIRED)

# The library the host loads: lib@NAME@.so here, @NAME@.dll on Windows. It
# exports load_vesk_client_script only. COVERAGE: the coverage preset
# measures which of its lines and branches the tests below reach.
vesk_add_script(@NAME@ SOURCES src/@NAME@.cpp src/export.cpp COVERAGE)

enable_testing()
# The session in the emulator: it passes when the script keeps every
# interface rule, every expectation holds and no action sends a command
# the session does not expect (LENIENT would allow that).
vesk_add_session_test(@NAME@_session SCRIPT @NAME@ SESSION session.vesk PLANT plant.toml)
# Unit tests on vesk::testing's fake host, in C++ (GoogleTest).
vesk_add_script_test(@NAME@_unit SCRIPT @NAME@ SOURCES test/@NAME@_test.cpp)
# Every rule of the host interface, with a soak of a fixed seed.
vesk_add_validate_test(@NAME@_validate SCRIPT @NAME@ PLANT plant.toml SEED 1)
)"},

    {"src/@NAME@.h", R"(// @NAME@: a panel script.
//
// At start-up it looks up the router "Studio Router", loads its panel file,
// and registers for and polls destination 1. Choosing a source in the list
// "Sources" routes it to destination 1 and shows "taken" in "status" for a
// second; the router's revertive shows what destination 1 carries in "now".
//
// The host makes the script with load_vesk_client_script (export.cpp), calls
// its handlers one at a time on its own thread, and ends it through the
// virtual destructor. Commands go only through the framework's members
// (routeSet, textSet, timerSet, ...): each sends one command text and hands
// the host's reply back when the interface says so.
#ifndef @NAME@_H
#define @NAME@_H

#include "vesk_script_helper.h"

class @NAME@ : public vesk_script_helper {
public:
    // The whole start-up runs here; `host` may be null (then nothing is sent)
    // and `path` is the folder of the panel files.
    @NAME@(vesk_client_callback* host, const char* path);
    // Drops the revertive registration; the framework then sends "AS".
    virtual ~@NAME@();

    // An operator used a control: event.panelId(), event.controlId(), and the
    // host's parse of the event text, event.eventName() and event.eventValue()
    // ("index=2" gives "index" and "2"). Texts are copies; the record is the
    // host's and lives only during this call.
    virtual void onControl(ControlEvent& event);
    // A router reports what a destination carries: event.deviceNumber() (the
    // number "SD" gave), event.entryIndex() (the destination) and
    // event.contentText() (the source's name). The result is ignored.
    virtual int onRevertive(RevertiveEvent& event);
    // The host asks about the panel: query.queryName() and query.queryValue()
    // of "name.part=value". The answer is sent to the host as a fresh text;
    // an empty answer reaches it as null.
    virtual vesk_string onParentQuery(ParentQuery& query);
    // A timer started with timerSet(id, milliseconds) is due. It ticks again
    // every interval until timerKill(id).
    virtual void onTimer(int id);

private:
    int router;
};

#endif
)"},

    {"src/@NAME@.cpp", R"(// @NAME@: start-up, shutdown and the four handlers.
#include "@NAME@.h"

namespace {

// The only panel this script loads and addresses, and its file in the
// host's panel folder.
const char panel[] = "1";
const char panelFile[] = "@NAME@.vesk_ui";

const char routerInstance[] = "Studio Router";
const int watchedDestination = 1;

const char sourcesControl[] = "Sources";
const char sourcesEvent[] = "index";
const char nowControl[] = "now";
const char statusControl[] = "status";
const char textProperty[] = "text";

// Clears "status" a second after a take.
const int statusTimer = 1;
const int statusInterval = 1000;

} // namespace

@NAME@::@NAME@(vesk_client_callback* hostLink, const char* folder)
    : vesk_script_helper(hostLink, folder), router(0)
{
    deviceLookup(routerInstance, &router, 0);
    panelLoad(panel, panelFile, "");
    revertiveRegister(router, watchedDestination, watchedDestination, false);
    // The poll's revertive arrives once start-up has returned.
    revertivePoll(router, watchedDestination, watchedDestination);
}

@NAME@::~@NAME@() { revertiveUnregister(router); }

void @NAME@::onControl(ControlEvent& event)
{
    if (event.panelId() != panel)
        return;
    if (event.controlId() != sourcesControl || event.eventName() != sourcesEvent)
        return;
    const int source = event.eventValue();
    if (source <= 0)
        return;
    routeSet(router, source, watchedDestination, "", false);
    textSet(textProperty, "taken", panel, statusControl);
    timerSet(statusTimer, statusInterval);
}

int @NAME@::onRevertive(RevertiveEvent& event)
{
    if (event.deviceNumber() == router && event.entryIndex() == watchedDestination)
        textSet(textProperty, event.contentText(), panel, nowControl);
    return 0;
}

vesk_string @NAME@::onParentQuery(ParentQuery& query)
{
    // "_events" asks which notifications the panel wants: all of them.
    if (query.queryName() == "_events")
        return "notify=*";
    return vesk_string();
}

void @NAME@::onTimer(int id)
{
    timerKill(id);
    if (id == statusTimer)
        textSet(textProperty, "", panel, statusControl);
}
)"},

    {"src/export.cpp", R"(// The library's one export: the host calls it once to make the script.
#include "@NAME@.h"

extern "C" VESK_SCRIPT_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host,
                                                                                      const char* path)
{
    // Scripts live on the C heap and never throw: null when out of memory.
    return new @NAME@(host, path);
}
)"},

    {"panels/@NAME@.vesk_ui", R"(# @NAME@'s panel as vesk_host shows it: each [[control]] is one control; every
# key but "id" is a property with its value when the panel is loaded.
title = "@NAME@"

[[control]]
id = "Sources"
type = "list"
items = "CAM 1,CAM 2,VT 1"
select = -1

[[control]]
id = "now"
type = "label"
text = ""

[[control]]
id = "status"
type = "label"
text = ""
)"},

    {"plant.toml", R"(# The plant vesk_host runs @NAME@ on: one router.

# The folder text handed to the script; its panel file is read from the
# folder of that name next to this file.
path = "panels"

[[device]]
name = "Studio Router"
number = 31

[[router]]
device = "Studio Router"
sources = 8
destinations = 4
source_names = { 1 = "CAM 1", 2 = "CAM 2", 3 = "VT 1" }
crosspoints = { 1 = 1 }
)"},

    {"session.vesk", R"(# @NAME@'s session: each action, then the commands it must send in order.
# ctest runs it (vesk_add_session_test); vesk_host run shows the transcript.

# Start-up: the router's number, the panel, destination 1 registered and
# polled; the poll's revertive shows what it carries now.
expect command "SD 'Studio Router'"
expect command "PS '1' 'panels/@NAME@.vesk_ui'"
expect command "RR 31 1 1"
expect command "RP 31 1 1"
expect command "TP 'text=CAM 1' '1' 'now'"
expect no-more-commands

# Source 2 is routed to destination 1; the router reports the take back.
press Sources index=2
expect command "RC 31 2 1 ',' 0"
expect command "TP 'text=taken' '1' 'status'"
expect command "ET 1 1000"
expect command "TP 'text=CAM 2' '1' 'now'"
expect no-more-commands
expect property now text "CAM 2"

# A second later the timer clears the status line and stops itself.
advance 1000
expect command "ET 1"
expect command "TP 'text=' '1' 'status'"
expect no-more-commands

# The host asks which notifications the panel wants.
query _events
expect answer "notify=*"

shutdown
expect command "RU 31"
expect command "AS"
)"},

    {"README.md", R"(# @NAME@

A panel script for the vesk panel host, built with the vesk framework
against its installed package.

## Build, run, test

```sh
cmake -S . -B build && cmake --build build
vesk_host run --plant plant.toml --session session.vesk build/lib@NAME@.so
ctest --test-dir build --output-on-failure
```

The first builds `build/lib@NAME@.so` (`@NAME@.dll` on Windows) with
debug information, the second runs the session in the host emulator and
prints every call in both directions, the third runs the tests: the session
(strict: every command each action sends must be expected), the unit tests
in `test/` and `vesk_host validate` with a fixed soak seed. When vesk is
installed under another prefix, add `-DCMAKE_PREFIX_PATH=/that/prefix` to
the first command.

Presets (`CMakePresets.json`, Ninja): `cmake --preset debug` (the same as
above), `release`, and `coverage`, which measures the script's own lines
and branches over all its tests:

```sh
cmake --preset coverage && cmake --build --preset coverage
```

prints one line and writes `build-coverage/coverage/@NAME@/index.html`
(needs GCC and gcovr).

## Debugging

Stop in a handler with gdb, through a unit test (the script runs in the
test's own process):

```sh
gdb -ex 'set breakpoint pending on' -ex 'break @NAME@::onControl' -ex run \
  --args build/@NAME@_unit --gtest_filter='*Choices*'
```

or through the emulator on the session, with the same breakpoint and
`--args vesk_host run --plant plant.toml --session session.vesk build/lib@NAME@.so`.
In VS Code (C/C++ extension), `.vscode/launch.json` has both as launch
configurations.

## Files

| file | what |
|---|---|
| `src/@NAME@.h`, `src/@NAME@.cpp` | the script: start-up, shutdown and the four handlers |
| `src/export.cpp` | `load_vesk_client_script`, the one export |
| `panels/@NAME@.vesk_ui` | the panel as the emulator shows it |
| `plant.toml` | the devices, routers and databases the emulator simulates |
| `session.vesk` | operator actions and the commands each must send |
| `test/@NAME@_test.cpp` | unit tests on `vesk::testing`'s fake host |
| `CMakePresets.json`, `.vscode/launch.json` | debug, release and coverage builds; debugger launches |

Script code uses C library functions only: no standard containers or
strings, no exceptions, no RTTI, no static objects that need a constructor.
The production host loads it into its own process. The tests may use the
whole standard library: they never go into the host.
)"},

    {".gitignore", "build*/\n"},
};

} // namespace vesk_host

#endif
