# vesk_add_session_test(NAME SCRIPT target SESSION file PLANT file [GOLDEN file] [JSON])
#
# Registers the CTest test NAME that runs a session in the host emulator:
#
#   vesk_host run --plant PLANT --session SESSION [--json] [--golden GOLDEN] <SCRIPT's library>
#
# It passes when vesk_host exits 0: no interface rule broken, every
# expectation of the session met and, with GOLDEN, the whole output equal to
# that file (record it with vesk_host run ... --golden FILE --update-golden).
# JSON compares the JSON-lines transcript instead of the text one. Relative
# files are taken from the calling CMakeLists.txt's folder.
#
# The emulator is the vesk_host target when the project builds one (this
# tree), else vesk::vesk_host from the installed package (find_package(vesk)).
# A package whose emulator cannot load the scripts it builds (the MSVC-ABI
# SDK) sets VESK_SESSION_TESTS_UNAVAILABLE to the reason; no test is added.
function(vesk_add_session_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "JSON" "SCRIPT;SESSION;PLANT;GOLDEN" "")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vesk_add_session_test(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(required SCRIPT SESSION PLANT)
    if(NOT ARG_${required})
      message(FATAL_ERROR "vesk_add_session_test(${name}): no ${required} given")
    endif()
  endforeach()
  if(NOT TARGET ${ARG_SCRIPT})
    message(FATAL_ERROR "vesk_add_session_test(${name}): SCRIPT ${ARG_SCRIPT} is not a target "
      "(make it with vesk_add_script first)")
  endif()
  if(VESK_SESSION_TESTS_UNAVAILABLE)
    message(STATUS "vesk_add_session_test(${name}) left out: ${VESK_SESSION_TESTS_UNAVAILABLE}")
    return()
  endif()
  if(TARGET vesk_host)
    set(host vesk_host)
  elseif(TARGET vesk::vesk_host)
    set(host vesk::vesk_host)
  else()
    message(FATAL_ERROR "vesk_add_session_test(${name}): no vesk_host to run the session: "
      "the vesk package found has none installed")
  endif()

  foreach(file SESSION PLANT)
    get_filename_component(${file} "${ARG_${file}}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT EXISTS "${${file}}")
      message(FATAL_ERROR "vesk_add_session_test(${name}): the ${file} file ${${file}} does not exist")
    endif()
  endforeach()
  set(command ${host} run --plant ${PLANT} --session ${SESSION})
  if(ARG_JSON)
    list(APPEND command --json)
  endif()
  if(ARG_GOLDEN)
    get_filename_component(golden "${ARG_GOLDEN}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND command --golden ${golden})
  endif()
  add_test(NAME ${name} COMMAND ${command} $<TARGET_FILE:${ARG_SCRIPT}>)
  set_property(TEST ${name} APPEND PROPERTY LABELS vesk_session)
endfunction()
