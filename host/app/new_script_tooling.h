// The files `vesk_host new NAME` writes beside the script itself: its unit
// test on vesk::testing, CMake presets (debug, release, coverage) and VS
// Code's debugger launches. "@NAME@" stands for the script's name, as in
// new_script_templates.h.
#ifndef VESK_HOST_NEW_SCRIPT_TOOLING_H
#define VESK_HOST_NEW_SCRIPT_TOOLING_H

#include "app/new_script_templates.h"

namespace vesk_host {

inline constexpr ProjectFile toolingFiles[] = {
    {"test/@NAME@_test.cpp", R"vesk(// @NAME@'s unit tests: the built library on vesk::testing's fake host,
// which answers commands from its plant, records them per action and
// checks that every reply comes back. The emulator's session
// (session.vesk) tests the same script against a whole plant.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vesk/testing.h"

namespace {

using namespace vesk::testing;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class @NAME@Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The router of plant.toml: destination 1 carries "CAM 1".
        host.plant()
            .device("Studio Router", 31)
            .router(31, 4)
            .sourceName(31, 1, "CAM 1")
            .sourceName(31, 2, "CAM 2")
            .crosspoint(31, 1, 1);
        ASSERT_TRUE(host.load(VESK_SCRIPT_LIBRARY, "panels"));
    }
    // Every reply handed back, nothing malformed, nothing after "AS".
    void TearDown() override { EXPECT_THAT(host, KeptTheRules()); }

    FakeHost host;
};

TEST_F(@NAME@Test, StartUpLoadsThePanelAndWatchesDestination1)
{
    EXPECT_THAT(host, SentCommands(ElementsAre("SD 'Studio Router'", "PS '1' 'panels/@NAME@.vesk_ui'",
                                               "RR 31 1 1", "RP 31 1 1", "TP 'text=CAM 1' '1' 'now'")));
}

TEST_F(@NAME@Test, ChoicesRouteTheirSource)
{
    struct Case {
        const char* event;
        std::vector<std::string> commands;
    } cases[] = {
        {"index=2", {"RC 31 2 1 ',' 0", "TP 'text=taken' '1' 'status'", "ET 1 1000", "TP 'text=CAM 2' '1' 'now'"}},
        {"index=0", {}},
        {"select=2", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        host.press("Sources", c.event);
        EXPECT_THAT(host, SentCommands(ElementsAreArray(c.commands)));
    }
}

TEST_F(@NAME@Test, TheTimerClearsTheStatusLine)
{
    host.press("Sources", "index=2");
    host.advance(1000);
    EXPECT_THAT(host, SentCommands(ElementsAre("ET 1", "TP 'text=' '1' 'status'")));
    EXPECT_THAT(host, HasProperty("status", "text", ""));
}

TEST_F(@NAME@Test, AnswersTheEventsQueryOnly)
{
    EXPECT_EQ(host.query("_events"), std::string("notify=*"));
    EXPECT_EQ(host.query("_commands"), std::nullopt);
}

TEST_F(@NAME@Test, ShutdownDropsTheRegistration)
{
    host.shutdown();
    EXPECT_THAT(host, SentCommands(ElementsAre("RU 31", "AS")));
}

} // namespace
)vesk"},

    {"CMakePresets.json", R"vesk({
  "version": 6,
  "cmakeMinimumRequired": {"major": 3, "minor": 25, "patch": 0},
  "configurePresets": [
    {
      "name": "debug",
      "displayName": "Debug (-O0 -g): for a debugger",
      "generator": "Ninja",
      "binaryDir": "${sourceDir}/build",
      "cacheVariables": {"CMAKE_BUILD_TYPE": "Debug"}
    },
    {
      "name": "release",
      "displayName": "Release",
      "generator": "Ninja",
      "binaryDir": "${sourceDir}/build-release",
      "cacheVariables": {"CMAKE_BUILD_TYPE": "Release"}
    },
    {
      "name": "coverage",
      "displayName": "Coverage of the script's lines and branches by its tests (GCC, gcovr)",
      "generator": "Ninja",
      "binaryDir": "${sourceDir}/build-coverage",
      "cacheVariables": {"CMAKE_BUILD_TYPE": "Debug", "VESK_COVERAGE": "ON"}
    }
  ],
  "buildPresets": [
    {"name": "debug", "configurePreset": "debug"},
    {"name": "release", "configurePreset": "release"},
    {"name": "coverage", "configurePreset": "coverage", "targets": ["@NAME@_coverage"]}
  ],
  "testPresets": [
    {"name": "debug", "configurePreset": "debug", "output": {"outputOnFailure": true}},
    {"name": "release", "configurePreset": "release", "output": {"outputOnFailure": true}}
  ]
}
)vesk"},

    {".vscode/launch.json", R"vesk({
  "version": "0.2.0",
  "configurations": [
    {
      "name": "@NAME@: unit tests",
      "type": "cppdbg",
      "request": "launch",
      "program": "${workspaceFolder}/build/@NAME@_unit",
      "args": [],
      "cwd": "${workspaceFolder}",
      "MIMode": "gdb",
      "setupCommands": [{"text": "set breakpoint pending on"}]
    },
    {
      "name": "@NAME@: session in vesk_host",
      "type": "cppdbg",
      "request": "launch",
      // The Debian package's vesk_host; for a prefix install, PREFIX/bin/vesk_host.
      "program": "/usr/bin/vesk_host",
      "args": ["run", "--plant", "plant.toml", "--session", "session.vesk", "build/lib@NAME@.so"],
      "cwd": "${workspaceFolder}",
      "MIMode": "gdb",
      "setupCommands": [{"text": "set breakpoint pending on"}]
    }
  ]
}
)vesk"},
};

} // namespace vesk_host

#endif
