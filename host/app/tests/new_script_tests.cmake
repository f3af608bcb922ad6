# The tests of vesk_host new and of vesk_add_session_test. Included from
# examples/CMakeLists.txt, after the example scripts they use; paths are
# taken from this file's folder.
set(new_script_tests_dir ${CMAKE_CURRENT_LIST_DIR})
set(new_script_testing_dir ${PROJECT_SOURCE_DIR}/host/testing)

add_executable(vesk_new_script_tests
  ${new_script_tests_dir}/new_script_tests.cpp
  ${PROJECT_SOURCE_DIR}/host/app/new_script.cpp)
target_include_directories(vesk_new_script_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/host)
target_link_libraries(vesk_new_script_tests PRIVATE GTest::gtest_main vesk_warnings)
gtest_discover_tests(vesk_new_script_tests TEST_PREFIX "new_script." DISCOVERY_TIMEOUT 60)

# The command line: its wiring and its messages.
set(new_script_scratch ${CMAKE_CURRENT_BINARY_DIR}/new_script_cli)
file(REMOVE_RECURSE ${new_script_scratch})
file(MAKE_DIRECTORY ${new_script_scratch}/Existing)
function(vesk_new_script_cli name exit stderr)
  string(JOIN "|" run ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vesk_host> new ${ARGN})
  add_test(NAME vesk_host_new_${name}
    COMMAND ${CMAKE_COMMAND} "-DRUN=${run}" -DEXIT=${exit} "-DSTDERR=${stderr}"
      -P ${new_script_testing_dir}/expect_run.cmake)
endfunction()
vesk_new_script_cli(no_name 3 "name the script: vesk_host new NAME \\[FOLDER\\]")
vesk_new_script_cli(too_many 3 "one folder only \\(got b and c\\)" A b c)
vesk_new_script_cli(keyword 3 "cannot name a script \"class\": \"class\" is a C\\+\\+ keyword"
  class ${new_script_scratch}/class)
vesk_new_script_cli(not_identifier 3 "must be a C\\+\\+ identifier" my-panel ${new_script_scratch}/p)
vesk_new_script_cli(existing 3 "Existing\" already exists; nothing was written"
  Existing ${new_script_scratch}/Existing)
vesk_new_script_cli(writes 0 "wrote the script Fresh into .*Fresh/\n  cd .*\n  cmake -S . -B build"
  Fresh ${new_script_scratch}/Fresh)
# Run twice, the second finds the first's folder; a fresh folder each ctest run.
add_test(NAME vesk_host_new_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${new_script_scratch}/Fresh)
set_tests_properties(vesk_host_new_clean PROPERTIES FIXTURES_SETUP new_script_clean)
set_tests_properties(vesk_host_new_writes PROPERTIES FIXTURES_SETUP new_script_fresh
  FIXTURES_REQUIRED new_script_clean)
vesk_new_script_cli(writes_again 3 "Fresh\" already exists" Fresh ${new_script_scratch}/Fresh)
set_tests_properties(vesk_host_new_writes_again PROPERTIES FIXTURES_REQUIRED new_script_fresh)

# vesk_add_session_test fails its test when the session does: commands out of
# order, and a golden file that differs.
vesk_add_session_test(vesk_session_test_catches_order SCRIPT Alarm_Panel
  SESSION ${new_script_testing_dir}/data/alarm_out_of_order.vesk
  PLANT ${PROJECT_SOURCE_DIR}/examples/alarm_panel/plant.toml)
vesk_add_session_test(vesk_session_test_catches_golden SCRIPT Rig_Vue
  SESSION ${PROJECT_SOURCE_DIR}/examples/rig_vue/session.vesk
  PLANT ${PROJECT_SOURCE_DIR}/examples/rig_vue/plant.toml
  GOLDEN ${new_script_tests_dir}/golden/rig_vue_session.jsonl)
set_tests_properties(vesk_session_test_catches_order vesk_session_test_catches_golden PROPERTIES WILL_FAIL TRUE)
