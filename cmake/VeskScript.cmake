# vesk_add_script(NAME SOURCES src... [COVERAGE])
#
# Builds a panel script library the way the host loads it: a shared library
# that exports only load_vesk_client_script (plain C name), links the
# framework statically and the string library as a module of its own, and
# hides every other symbol. COVERAGE: measured in a VESK_COVERAGE build
# (VeskCoverage.cmake).
set(VESK_SCRIPT_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(vesk_add_script name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "COVERAGE" "" "SOURCES")
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "vesk_add_script(${name}): no SOURCES given")
  endif()
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vesk::script_helper vesk::string)
  target_link_libraries(${name} PRIVATE vesk::warnings vesk::no_runtime)
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    # The host loads NAME.dll: no "lib" in front.
    set_target_properties(${name} PROPERTIES PREFIX "")
    # Plain name, no decoration: the .def file is the export list.
    target_sources(${name} PRIVATE ${VESK_SCRIPT_CMAKE_DIR}/vesk_script.def)
    if(MINGW)
      target_link_options(${name} PRIVATE -static-libgcc -static-libstdc++ -Wl,--kill-at)
    endif()
  elseif(APPLE)
    target_link_options(${name} PRIVATE
      "LINKER:-exported_symbol,_load_vesk_client_script")
  else()
    target_link_options(${name} PRIVATE
      "LINKER:--version-script=${VESK_SCRIPT_CMAKE_DIR}/vesk_script.map")
    # Every symbol resolved at link time; not with clang's sanitizers, whose
    # runtime lives in the executable.
    if(NOT VESK_SANITIZE)
      target_link_options(${name} PRIVATE "LINKER:--no-undefined")
    endif()
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${VESK_SCRIPT_CMAKE_DIR}/vesk_script.map)
  endif()
  if(ARG_COVERAGE)
    _vesk_script_coverage(${name})
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/VeskCoverage.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/VeskSessionTest.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/VeskValidateTest.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/VeskScriptTest.cmake)
