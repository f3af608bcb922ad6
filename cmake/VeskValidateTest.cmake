# vesk_add_validate_test(NAME SCRIPT target [PLANT file] [SEED n] [SOAK_STEPS n] [STRICT])
#
# Registers the CTest test NAME that checks the script against every rule of
# the host interface:
#
#   vesk_host validate --seed SEED [--plant PLANT] [--soak-steps N] [--strict]
#     --soak-file <build folder>/NAME_soak.vesk --junit <build folder>/NAME.xml <SCRIPT's library>
#
# The soak's seed is fixed (SEED, default 1), so CI runs the same random
# operator actions every time and a failure comes back on the next run; a
# failing soak leaves NAME_soak.vesk, which `vesk_host run --plant PLANT
# --session NAME_soak.vesk` replays. It passes when vesk_host exits 0 (with
# STRICT warnings fail it too). Relative files are taken from the calling
# CMakeLists.txt's folder.
function(vesk_add_validate_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "STRICT" "SCRIPT;PLANT;SEED;SOAK_STEPS" "")
  _vesk_check_test_call("vesk_add_validate_test(${name})" "${ARG_SCRIPT}" "${ARG_UNPARSED_ARGUMENTS}")
  if(NOT DEFINED ARG_SEED)
    set(ARG_SEED 1)
  endif()
  if(NOT ARG_SEED MATCHES "^[0-9]+$")
    message(FATAL_ERROR "vesk_add_validate_test(${name}): SEED takes a whole number, not \"${ARG_SEED}\"")
  endif()
  if(VESK_SESSION_TESTS_UNAVAILABLE)
    message(STATUS "vesk_add_validate_test(${name}) left out: ${VESK_SESSION_TESTS_UNAVAILABLE}")
    return()
  endif()
  _vesk_host_target(host "vesk_add_validate_test(${name})")

  set(command ${host} validate --seed ${ARG_SEED})
  if(ARG_PLANT)
    get_filename_component(plant "${ARG_PLANT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT EXISTS "${plant}")
      message(FATAL_ERROR "vesk_add_validate_test(${name}): the PLANT file ${plant} does not exist")
    endif()
    list(APPEND command --plant ${plant})
  endif()
  if(DEFINED ARG_SOAK_STEPS)
    list(APPEND command --soak-steps ${ARG_SOAK_STEPS})
  endif()
  if(ARG_STRICT)
    list(APPEND command --strict)
  endif()
  list(APPEND command --soak-file ${CMAKE_CURRENT_BINARY_DIR}/${name}_soak.vesk
    --junit ${CMAKE_CURRENT_BINARY_DIR}/${name}.xml)
  add_test(NAME ${name} COMMAND ${command} $<TARGET_FILE:${ARG_SCRIPT}>)
  _vesk_coverage_needs(${ARG_SCRIPT} ${host})
  set_property(TEST ${name} APPEND PROPERTY LABELS vesk_validate vesk_script_${ARG_SCRIPT})
endfunction()
