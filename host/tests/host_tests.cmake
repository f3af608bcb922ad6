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
vesk_add_script(faulty_crashes_on_code_6 SOURCES ${host_tests_dir}/faulty/crashes_on_code_6.cpp)
vesk_add_script(faulty_hangs_in_tick SOURCES ${host_tests_dir}/faulty/hangs_in_tick.cpp)
vesk_add_script(faulty_sends_after_end SOURCES ${host_tests_dir}/faulty/sends_after_end.cpp)
vesk_add_script(faulty_leaks_per_load SOURCES ${host_tests_dir}/faulty/leaks_per_load.cpp)
vesk_add_script(faulty_static_answer SOURCES ${host_tests_dir}/faulty/static_answer.cpp)
vesk_add_script(faulty_breaks_on_package_5 SOURCES ${host_tests_dir}/faulty/breaks_on_package_5.cpp)
# Scripts whose files give no clue to their C++ layout (see abi/plain_script.cpp).
vesk_add_script(plain_script SOURCES ${host_tests_dir}/abi/plain_script.cpp)
vesk_add_script(plain_script_silent SOURCES ${host_tests_dir}/abi/plain_script.cpp)
target_compile_definitions(plain_script_silent PRIVATE PLAIN_SCRIPT_SILENT)
add_library(faulty_no_export SHARED ${host_tests_dir}/faulty/no_export.cpp)
target_link_libraries(faulty_no_export PRIVATE vesk_warnings)

add_executable(vesk_host_tests
  ${host_tests_dir}/abi_tests.cpp
  ${host_tests_dir}/command_text_tests.cpp
  ${host_tests_dir}/emulator_tests.cpp
  ${host_tests_dir}/executor_tests.cpp
  ${host_tests_dir}/fake_script.cpp
  ${host_tests_dir}/ledger_tests.cpp
  ${host_tests_dir}/pe_builder.cpp
  ${host_tests_dir}/plant_file_tests.cpp
  ${host_tests_dir}/session_file_tests.cpp
  ${host_tests_dir}/text_tests.cpp
  ${host_tests_dir}/validator_tests.cpp)
target_link_libraries(vesk_host_tests PRIVATE vesk_host_core vesk_host_validator GTest::gtest_main vesk_warnings)
target_compile_definitions(vesk_host_tests PRIVATE
  EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples/rig_vue"
  RIG_VUE_LIBRARY="$<TARGET_FILE:Rig_Vue>"
  FAULTY_KEEPS_REPLY="$<TARGET_FILE:faulty_keeps_reply>"
  FAULTY_HANDS_BACK_TWICE="$<TARGET_FILE:faulty_hands_back_twice>"
  FAULTY_FOREIGN_POINTER="$<TARGET_FILE:faulty_foreign_pointer>"
  FAULTY_RETURNS_NULL="$<TARGET_FILE:faulty_returns_null>"
  FAULTY_NO_EXPORT="$<TARGET_FILE:faulty_no_export>")
add_dependencies(vesk_host_tests Rig_Vue faulty_keeps_reply faulty_hands_back_twice faulty_foreign_pointer
  faulty_returns_null faulty_no_export)
set(faulty_for_validation faulty_crashes_on_code_6 faulty_hangs_in_tick faulty_sends_after_end
  faulty_leaks_per_load faulty_static_answer faulty_breaks_on_package_5)
set_target_properties(vesk_host_tests plain_script plain_script_silent faulty_keeps_reply faulty_hands_back_twice faulty_foreign_pointer
  faulty_returns_null faulty_no_export ${faulty_for_validation} PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/host/tests
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/host/tests)
gtest_discover_tests(vesk_host_tests TEST_PREFIX "host." DISCOVERY_TIMEOUT 60)

# The command line, as an engineer or CI runs it.
set(host_example ${PROJECT_SOURCE_DIR}/examples/rig_vue)
set(host_test_data ${host_tests_dir}/data)
set(rig_vue_run "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${host_example}/session.vesk")
function(vesk_host_cli name exit)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "STDOUT;STDERR;NOT_STDOUT;OUTPUT_FILE;FILE_CONTENT" "RUN")
  set(checks -DEXIT=${exit})
  foreach(check NOT_STDOUT OUTPUT_FILE FILE_CONTENT)
    if(DEFINED ARG_${check})
      list(APPEND checks "-D${check}=${ARG_${check}}")
    endif()
  endforeach()
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

# The validator. Each faulty script is caught by its check with its status,
# and the run goes on past a crash or a hang.
set(validate "$<TARGET_FILE:vesk_host>|validate")
set(validate_rig "${validate}|--plant|${host_example}/plant.toml")
set(validate_dir ${CMAKE_BINARY_DIR}/host/tests/validate)
file(MAKE_DIRECTORY ${validate_dir})
function(vesk_faulty name)
  set(${name} "$<TARGET_FILE:faulty_${name}>" PARENT_SCOPE)
endfunction()
foreach(script crashes_on_code_6 hangs_in_tick keeps_reply hands_back_twice foreign_pointer sends_after_end
    leaks_per_load static_answer breaks_on_package_5)
  vesk_faulty(${script})
endforeach()

vesk_host_cli(validate_rig_vue 0
  STDOUT "PASS    load.basic.*PASS    soak.random.*\nSUCCESS: 23 checks: 23 passed, 0 warned, 0 skipped, 0 failed, 0 crashed, 0 timed out"
  RUN "${validate_rig}|--soak-file|${validate_dir}/rig_vue_soak.vesk|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(validate_rig_vue_json 0
  STDOUT "^\\{\"schema\":\"vesk-host-validate\",\"schema_version\":1,.*\"id\":\"codes.6\",.*\"status\":\"PASS\".*\"result\":\"SUCCESS\",\"exit_code\":0"
  RUN "${validate_rig}|--json|--only|^codes|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(validate_junit 1
  OUTPUT_FILE ${validate_dir}/junit.xml
  FILE_CONTENT "<testsuites name=\"vesk_host validate\" tests=\"2\" failures=\"0\" errors=\"1\" skipped=\"0\".*name=\"codes.6\" time=\"[0-9.]+\">\n      <error message=\"the check&apos;s process died of SIG[A-Z]+\" type=\"CRASH\">.*name=\"codes.7\" time=\"[0-9.]+\">\n    </testcase>\n  </testsuite>"
  RUN "${validate_rig}|--only|^codes\\.[67]$|--junit|${validate_dir}/junit.xml|${crashes_on_code_6}")
vesk_host_cli(validate_list 0
  STDOUT "^codes.outside +Codes 8, 9, 16[^\n]*\ncodes.null-records +Codes 1 and 2 with a null record[^\n]*\n$"
  NOT_STDOUT "load\\.|soak|codes\\.[0-7]"
  RUN "${validate}|--list|--only|^codes|--skip|[0-7]$")

vesk_host_cli(validate_crash_on_code_6 1
  STDOUT "CRASH   codes.6 .*(died of SIG[A-Z]+|ended with exit code [0-9]+ before finishing)\n.*last lines of the transcript:\n.*\\| host > script  6  a pointer to 256 zero bytes\n  PASS    codes.7 .*FAILURE: 23 checks: 21 passed, 0 warned, 1 skipped, 0 failed, 1 crashed, 0 timed out"
  RUN "${validate_rig}|--soak-file|${validate_dir}/crash_soak.vesk|${crashes_on_code_6}")
vesk_host_cli(validate_hang_in_tick 1
  STDOUT "TIMEOUT codes.4 .*no end within 1 s.*\\| host > script  4  timer 1 at 0 ms\n.*TIMEOUT timers.unknown-ids .*\\| host > script  4  timer 0 at 0 ms\n.*FAILURE: 3 checks: 1 passed, 0 warned, 0 skipped, 0 failed, 0 crashed, 2 timed out"
  RUN "${validate_rig}|--timeout|1|--only|^(codes.[34]\\|timers)|${hangs_in_tick}")
vesk_host_cli(validate_leaked_reply 1
  STDOUT "FAIL    release.every-reply .*release-missing: the reply \"21\" to \"SD 'ZEP SDI Router'\" was not handed back by the end of start-up"
  RUN "${validate_rig}|--only|release.every|${keeps_reply}")
vesk_host_cli(validate_double_free 1
  STDOUT "FAIL    release.every-reply .*release-twice: the reply \"21\" to \"SD 'ZEP SDI Router'\" was handed back a second time"
  RUN "${validate_rig}|--only|release.every|${hands_back_twice}")
vesk_host_cli(validate_foreign_pointer 1
  STDOUT "FAIL    release.every-reply .*release-unknown: code 5 with a pointer this host never handed out"
  RUN "${validate_rig}|--only|release.every|${foreign_pointer}")
vesk_host_cli(validate_after_as 1
  STDOUT "WARN    load.basic .*FAIL    end.after-as .*command-after-end: \"RU 21\" came after \"AS\" \\(and 2 more\\)"
  RUN "${validate_rig}|--only|^(load.basic\\|end)|${sends_after_end}")
vesk_host_cli(validate_warning_passes 0 STDOUT "SUCCESS: 1 checks: 0 passed, 1 warned"
  RUN "${validate_rig}|--only|load.basic|${sends_after_end}")
vesk_host_cli(validate_strict 1 STDOUT "FAILURE: 1 checks: 0 passed, 1 warned"
  RUN "${validate_rig}|--strict|--only|load.basic|${sends_after_end}")
vesk_host_cli(validate_leak_per_load 1
  STDOUT "FAIL    load.repeat .*the heap grew by [0-9]+ bytes over 80 loads"
  RUN "${validate_rig}|--only|load.repeat|${leaks_per_load}")
vesk_host_cli(validate_static_answer 1
  STDOUT "FAIL    release.answers .*answer-reused: the answer to the parent query \"\" is the pointer of the answer to null"
  RUN "${validate_rig}|--only|release.answers|${static_answer}")

# A soak that fails leaves a session; the ordinary emulator replays the failure.
vesk_host_cli(validate_soak_fails 1
  STDOUT "FAIL    soak.random .*seed 3: a rule broke at step [0-9]+ of 2000\n.*the session file .*soak_replay.vesk replays it: vesk_host run --plant"
  OUTPUT_FILE ${validate_dir}/soak_replay.vesk
  FILE_CONTENT "^# vesk_host validate soak: seed 3, up to 2000 steps\n.*\npress [A-Za-z_]+ index=5\n$"
  RUN "${validate_rig}|--seed|3|--only|soak|--soak-file|${validate_dir}/soak_replay.vesk|${breaks_on_package_5}")
vesk_host_cli(validate_soak_replays 1
  STDOUT "VIOLATION release-missing: the reply [^\n]* to \"RN 12 0 5\""
  RUN "$<TARGET_FILE:vesk_host>|run|--plant|${host_example}/plant.toml|--session|${validate_dir}/soak_replay.vesk|${breaks_on_package_5}")
set_tests_properties(vesk_host_cli_validate_soak_fails PROPERTIES FIXTURES_SETUP soak_replay)
set_tests_properties(vesk_host_cli_validate_soak_replays PROPERTIES FIXTURES_REQUIRED soak_replay)

vesk_host_cli(validate_no_library 2 STDERR "name the script library to validate" RUN "${validate}")
vesk_host_cli(validate_missing_library 2 STDERR "cannot load the script library"
  RUN "${validate}|${host_test_data}/no_such_library.so")
vesk_host_cli(validate_no_export 2 STDERR "does not export load_vesk_client_script"
  RUN "${validate}|$<TARGET_FILE:faulty_no_export>")
vesk_host_cli(validate_bad_timeout 2 STDERR "--timeout takes seconds above 0" RUN "${validate}|--timeout=0|x.so")
vesk_host_cli(validate_bad_seed 2 STDERR "--seed takes a whole number" RUN "${validate}|--seed|-1|x.so")
vesk_host_cli(validate_bad_regex 2 STDERR "--only \"\\(\" is not a regular expression" RUN "${validate}|--only|(|x.so")
vesk_host_cli(validate_nothing_selected 2 STDERR "no check is left" RUN "${validate}|--only|nothing|x.so")
vesk_host_cli(validate_unknown_option 2 STDERR "unknown option --colour" RUN "${validate}|--colour|x.so")
vesk_host_cli(validate_bad_plant 2 STDERR "bad_plant.toml:9: "
  RUN "${validate}|--plant|${host_test_data}/bad_plant.toml|$<TARGET_FILE:Rig_Vue>")

# The script's C++ layout (--abi): this build has only its own, says so on
# standard error and in the JSON output, and the validator's hidden child
# mode writes one child's records to standard output.
vesk_host_cli(abi_native_said 0 STDERR "^vesk_host: abi native \\(the only layout of this build\\)\n"
  RUN "${rig_vue_run}|--golden|${host_tests_dir}/golden/rig_vue_session.txt|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(abi_json_line 0
  STDOUT "\"kind\":\"summary\"[^\n]*\n\\{\"kind\":\"abi\",\"depth\":0,\"abi\":\"native\",\"reason\":\"the only layout of this build\"\\}\n$"
  RUN "${rig_vue_run}|--json|--golden|${host_tests_dir}/golden/rig_vue_session.jsonl|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(abi_other_layout 3
  STDERR "--abi msvc: this build drives only its own layout \\(native\\); MinGW's and Microsoft's layouts are driven by the 32-bit Windows build"
  RUN "$<TARGET_FILE:vesk_host>|run|--abi|msvc|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(abi_unknown 3 STDERR "--abi takes auto, native, gnu or msvc, not \"itanium\""
  RUN "$<TARGET_FILE:vesk_host>|run|--abi=itanium|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(abi_missing_value 3 STDERR "--abi needs one of auto\\|native\\|gnu\\|msvc"
  RUN "$<TARGET_FILE:vesk_host>|run|--abi")
vesk_host_cli(validate_abi_other_layout 2 STDERR "--abi gnu: this build drives only its own layout"
  RUN "${validate}|--abi|gnu|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(validate_abi_in_json 0
  STDOUT "\"isolation\":\"process\",\"strict\":false,\"abi\":\"native\",\"abi_reason\":\"--abi native\",\"checks\""
  RUN "${validate_rig}|--json|--abi|native|--only|^codes.7$|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(validate_child_mode 0
  STDOUT "^L[0-9]+:host > script  load_vesk_client_script\\(host, \"panels\"\\).*S4:PASSE0:$"
  RUN "${validate_rig}|--child|codes.7|--abi|native|$<TARGET_FILE:Rig_Vue>")
vesk_host_cli(validate_child_unknown 2 RUN "${validate_rig}|--child|no.such-check|--abi|native|$<TARGET_FILE:Rig_Vue>")
