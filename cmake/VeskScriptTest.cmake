# vesk_add_script_test(NAME SCRIPT target SOURCES test.cpp...)
#
# A GoogleTest suite of the script's unit tests on vesk::testing, each case
# a CTest test "NAME.Suite.Case". The test loads the script's own built
# library, whose path it gets as VESK_SCRIPT_LIBRARY:
#
#   vesk::testing::FakeHost host;
#   host.plant().device("Studio Router", 31).router(31, 4);
#   ASSERT_TRUE(host.load(VESK_SCRIPT_LIBRARY, "panels"));
#   host.press("Sources", "index=2");
#   EXPECT_THAT(host, SentCommands(ElementsAre("RC 31 2 1 ',' 0", ...)));
#
# Needs GoogleTest (Debian: libgtest-dev). A package without vesk::testing
# (the MSVC-ABI SDK) adds no test and says why.
function(vesk_add_script_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "SCRIPT" "SOURCES")
  _vesk_check_test_call("vesk_add_script_test(${name})" "${ARG_SCRIPT}" "${ARG_UNPARSED_ARGUMENTS}")
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "vesk_add_script_test(${name}): no SOURCES given")
  endif()
  if(NOT TARGET vesk::testing)
    message(STATUS "vesk_add_script_test(${name}) left out: this vesk package has no vesk::testing")
    return()
  endif()
  if(NOT TARGET GTest::gmock)
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vesk::testing GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE VESK_SCRIPT_LIBRARY="$<TARGET_FILE:${ARG_SCRIPT}>")
  add_dependencies(${name} ${ARG_SCRIPT})
  _vesk_coverage_needs(${ARG_SCRIPT} ${name})
  # Listed when ctest starts, so that building does not run the tests.
  gtest_discover_tests(${name} TEST_PREFIX "${name}." DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "vesk_script_${ARG_SCRIPT}")
endfunction()
