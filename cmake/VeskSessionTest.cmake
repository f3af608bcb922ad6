# vesk_add_session_test(NAME SCRIPT target SESSION file PLANT file [GOLDEN file
#                       [GOLDEN_WITHOUT_PANEL]] [JSON] [LENIENT] [COVERAGE])
#
# Registers the CTest test NAME that runs a session in the host emulator:
#
#   vesk_host run --strict --plant PLANT --session SESSION [--json] [--golden GOLDEN] <SCRIPT's library>
#
# It passes when vesk_host exits 0: no interface rule broken, every
# expectation of the session met, every command each action sent read by an
# "expect command" or "expect no-more-commands" (--strict; LENIENT drops
# that for this session) and, with GOLDEN, the whole output equal to that
# file, which then accounts for every command (record it with vesk_host run
# ... --golden FILE --update-golden; a mismatch prints that command).
# GOLDEN_WITHOUT_PANEL keeps the final panel table out of the golden file,
# so that a control added to the panel file does not break it. JSON
# compares the JSON-lines transcript instead of the text one. COVERAGE
# measures SCRIPT's coverage as vesk_add_script's COVERAGE does. Relative
# files are taken from the calling CMakeLists.txt's folder.
#
# The emulator is the vesk_host target when the project builds one (this
# tree), else vesk::vesk_host from the installed package (find_package(vesk)).
# A package whose emulator cannot load the scripts it builds (the MSVC-ABI
# SDK) sets VESK_SESSION_TESTS_UNAVAILABLE to the reason; no test is added.

# The emulator to run: this tree's vesk_host target, or the installed one.
function(_vesk_host_target out caller)
  if(TARGET vesk_host)
    set(${out} vesk_host PARENT_SCOPE)
  elseif(TARGET vesk::vesk_host)
    set(${out} vesk::vesk_host PARENT_SCOPE)
  else()
    message(FATAL_ERROR "${caller}: no vesk_host to run the script: the vesk package found has none installed")
  endif()
endfunction()

# What every vesk_add_*_test(NAME SCRIPT target ...) refuses: arguments it
# does not know, no SCRIPT, a SCRIPT that is not a target.
function(_vesk_check_test_call caller script unparsed)
  if(unparsed)
    message(FATAL_ERROR "${caller}: unknown arguments ${unparsed}")
  endif()
  if(NOT script)
    message(FATAL_ERROR "${caller}: no SCRIPT given")
  endif()
  if(NOT TARGET ${script})
    message(FATAL_ERROR "${caller}: SCRIPT ${script} is not a target (make it with vesk_add_script first)")
  endif()
endfunction()

function(vesk_add_session_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "JSON;LENIENT;GOLDEN_WITHOUT_PANEL;COVERAGE" "SCRIPT;SESSION;PLANT;GOLDEN" "")
  _vesk_check_test_call("vesk_add_session_test(${name})" "${ARG_SCRIPT}" "${ARG_UNPARSED_ARGUMENTS}")
  foreach(required SESSION PLANT)
    if(NOT ARG_${required})
      message(FATAL_ERROR "vesk_add_session_test(${name}): no ${required} given")
    endif()
  endforeach()
  if(ARG_GOLDEN_WITHOUT_PANEL AND NOT ARG_GOLDEN)
    message(FATAL_ERROR "vesk_add_session_test(${name}): GOLDEN_WITHOUT_PANEL needs GOLDEN file")
  endif()
  if(ARG_COVERAGE)
    _vesk_script_coverage(${ARG_SCRIPT})
  endif()
  if(VESK_SESSION_TESTS_UNAVAILABLE)
    message(STATUS "vesk_add_session_test(${name}) left out: ${VESK_SESSION_TESTS_UNAVAILABLE}")
    return()
  endif()
  _vesk_host_target(host "vesk_add_session_test(${name})")

  foreach(file SESSION PLANT)
    get_filename_component(${file} "${ARG_${file}}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT EXISTS "${${file}}")
      message(FATAL_ERROR "vesk_add_session_test(${name}): the ${file} file ${${file}} does not exist")
    endif()
  endforeach()
  set(command ${host} run --plant ${PLANT} --session ${SESSION})
  if(NOT ARG_LENIENT)
    list(APPEND command --strict)
  endif()
  if(ARG_JSON)
    list(APPEND command --json)
  endif()
  if(ARG_GOLDEN)
    get_filename_component(golden "${ARG_GOLDEN}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND command --golden ${golden})
    if(ARG_GOLDEN_WITHOUT_PANEL)
      list(APPEND command --golden-without-panel)
    endif()
  endif()
  add_test(NAME ${name} COMMAND ${command} $<TARGET_FILE:${ARG_SCRIPT}>)
  _vesk_coverage_needs(${ARG_SCRIPT} ${host})
  set_property(TEST ${name} APPEND PROPERTY LABELS vesk_session vesk_script_${ARG_SCRIPT})
endfunction()
