# GoogleTest, and vesk_test(NAME SOURCES...): a suite of the script side on
# the shared test support (framework/testing: vesk::test_support), discovered by CTest.
find_package(GTest REQUIRED)
include(GoogleTest)
# What every test program's precompiled header holds (everyday builds).
set(VESK_TEST_HEADERS <gtest/gtest.h> ${VESK_STANDARD_HEADERS})

function(vesk_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE vesk::test_support GTest::gtest_main vesk_warnings)
  vesk_precompile(${name} tests ${VESK_TEST_HEADERS})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
