# The tests of the host emulator. Included at the end of the top level (see
# host/CMakeLists.txt), so paths are taken from this file's folder.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
set(host_tests_dir ${CMAKE_CURRENT_LIST_DIR})

# Deliberately faulty scripts, built like any script so that the emulator
# loads them the usual way; each breaks one rule.
vesk_add_script(faulty_keeps_reply SOURCES ${host_tests_dir}/faulty/keeps_reply.cpp)
vesk_add_script(faulty_hands_back_twice SOURCES ${host_tests_dir}/faulty/hands_back_twice.cpp)
vesk_add_script(faulty_foreign_pointer SOURCES ${host_tests_dir}/faulty/foreign_pointer.cpp)
vesk_add_script(faulty_returns_null SOURCES ${host_tests_dir}/faulty/returns_null.cpp)
add_library(faulty_no_export SHARED ${host_tests_dir}/faulty/no_export.cpp)
target_link_libraries(faulty_no_export PRIVATE vesk_warnings)

add_executable(vesk_host_tests
  ${host_tests_dir}/command_text_tests.cpp
  ${host_tests_dir}/emulator_tests.cpp
  ${host_tests_dir}/executor_tests.cpp
  ${host_tests_dir}/fake_script.cpp
  ${host_tests_dir}/ledger_tests.cpp
  ${host_tests_dir}/plant_file_tests.cpp
  ${host_tests_dir}/session_file_tests.cpp
  ${host_tests_dir}/text_tests.cpp)
target_link_libraries(vesk_host_tests PRIVATE vesk_host_core GTest::gtest_main vesk_warnings)
target_compile_definitions(vesk_host_tests PRIVATE
  EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples/rig_vue"
  FAULTY_KEEPS_REPLY="$<TARGET_FILE:faulty_keeps_reply>"
  FAULTY_HANDS_BACK_TWICE="$<TARGET_FILE:faulty_hands_back_twice>"
  FAULTY_FOREIGN_POINTER="$<TARGET_FILE:faulty_foreign_pointer>"
  FAULTY_RETURNS_NULL="$<TARGET_FILE:faulty_returns_null>"
  FAULTY_NO_EXPORT="$<TARGET_FILE:faulty_no_export>")
add_dependencies(vesk_host_tests faulty_keeps_reply faulty_hands_back_twice faulty_foreign_pointer
  faulty_returns_null faulty_no_export)
set_target_properties(vesk_host_tests faulty_keeps_reply faulty_hands_back_twice faulty_foreign_pointer
  faulty_returns_null faulty_no_export PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/host/tests
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/host/tests)
gtest_discover_tests(vesk_host_tests TEST_PREFIX "host." DISCOVERY_TIMEOUT 60)

# The command line, as an engineer or CI runs it.
set(host_example ${PROJECT_SOURCE_DIR}/examples/rig_vue)
set(host_test_data ${host_tests_dir}/data)
set(rig_vue_run "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${host_example}/session.vesk")
function(vesk_host_cli name exit)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "STDOUT;STDERR" "RUN")
  set(checks -DEXIT=${exit})
  if(DEFINED ARG_STDOUT)
    list(APPEND checks "-DSTDOUT=${ARG_STDOUT}")
  endif()
  if(DEFINED ARG_STDERR)
    list(APPEND checks "-DSTDERR=${ARG_STDERR}")
  endif()
  string(JOIN "|" run ${CMAKE_CROSSCOMPILING_EMULATOR} ${ARG_RUN})
  add_test(NAME vesk_host_cli_${name}
    COMMAND ${CMAKE_COMMAND} "-DRUN=${run}" ${checks} -P ${host_tests_dir}/expect_run.cmake)
endfunction()

vesk_host_cli(golden_text 0
  RUN "${rig_vue_run}|--golden|${host_tests_dir}/golden/rig_vue_session.txt|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(golden_json 0
  RUN "${rig_vue_run}|--json|--golden|${host_tests_dir}/golden/rig_vue_session.jsonl|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(golden_difference 2
  STDERR "differs from .*plant.toml at line 1\n  golden: .*\n  now:    == start-up"
  RUN "${rig_vue_run}|--golden|${host_example}/plant.toml|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(help 0 STDOUT "Exit codes" RUN "$<TARGET_FILE:vesk_host>|--help")
vesk_host_cli(rules 0 STDOUT "release-twice \\(violation\\): " RUN "$<TARGET_FILE:vesk_host>|rules")
vesk_host_cli(no_command 3 STDERR "Usage" RUN "$<TARGET_FILE:vesk_host>")
vesk_host_cli(unknown_option 3 STDERR "unknown option --colour"
  RUN "$<TARGET_FILE:vesk_host>|run|--colour|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(bad_plant 3
  STDERR "bad_plant.toml:9: router.device names \"ZEP Video Router\", which no \\[\\[device\\]\\] section declares"
  RUN "$<TARGET_FILE:vesk_host>|run|--plant|${host_test_data}/bad_plant.toml|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(bad_session 3
  STDERR "bad_session.vesk:4: advance takes milliseconds from 0 to 86400000, not \"soon\""
  RUN "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${host_test_data}/bad_session.vesk|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(unknown_control 3
  STDERR "unknown_control.vesk:3: panel \"1\" has no control \"Sourcse\""
  STDOUT "!! session error, line 3: .*host > script  delete"
  RUN "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${host_test_data}/unknown_control.vesk|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(failing_expectation 2
  STDOUT "FAIL  line 4: expect command \"RC 21 6 12 ',' 0\"\n      expected: \"RC 21 6 12 ',' 0\"\n      actual:   \"RC 21 5 12 ',' 0\""
  RUN "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${host_test_data}/failing_session.vesk|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(violation 1
  STDOUT "VIOLATION release-missing: the reply \"21\" to \"SD 'ZEP SDI Router'\""
  RUN "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${host_test_data}/empty_session.vesk|$<TARGET_FILE:faulty_keeps_reply>")
vesk_host_cli(missing_library 4 STDERR "cannot load the script library"
  RUN "$<TARGET_FILE:vesk_host>|run|${host_test_data}/no_such_library.so")
vesk_host_cli(no_export 4 STDERR "does not export load_vesk_client_script"
  RUN "$<TARGET_FILE:vesk_host>|run|$<TARGET_FILE:faulty_no_export>")
vesk_host_cli(null_script 4 STDERR "returned null"
  RUN "$<TARGET_FILE:vesk_host>|run|--session|${host_test_data}/failing_session.vesk|$<TARGET_FILE:faulty_returns_null>")
