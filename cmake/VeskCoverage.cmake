# Coverage of a script's own lines and branches by its tests.
#
# vesk_add_script(NAME ... COVERAGE) (or COVERAGE on one of its session
# tests) marks the script; a build configured with -DVESK_COVERAGE=ON (the
# coverage preset) then compiles it with GCC's --coverage and adds the
# target NAME_coverage:
#
#   cmake --build build-coverage --target NAME_coverage
#
# which clears the counters, runs every test of the script (sessions,
# validate and unit tests: CTest label vesk_script_NAME), and writes with
# gcovr an HTML report, build-coverage/coverage/NAME/index.html, and one
# line on the terminal:
#
#   NAME coverage: lines 91.7% (44 of 48), branches 75.0% (30 of 40), report ...
#
# Only the script's own sources count (the files under the calling
# CMakeLists.txt's folder), never the framework's headers or the tests.
option(VESK_COVERAGE "Build the scripts marked COVERAGE with coverage instrumentation and add NAME_coverage targets" OFF)
set(VESK_COVERAGE_RUNNER ${CMAKE_CURRENT_LIST_DIR}/VeskCoverageReport.cmake)

function(_vesk_script_coverage script)
  get_target_property(done ${script} VESK_COVERAGE_TARGET)
  if(done OR NOT VESK_COVERAGE)
    return()
  endif()
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    message(WARNING "${script}: coverage needs GCC (gcov); this build uses ${CMAKE_CXX_COMPILER_ID}, so none is measured")
    return()
  endif()
  find_program(VESK_GCOVR gcovr)
  if(NOT VESK_GCOVR)
    message(FATAL_ERROR "${script}: VESK_COVERAGE needs gcovr (Debian: apt install gcovr)")
  endif()
  set_target_properties(${script} PROPERTIES VESK_COVERAGE_TARGET ${script}_coverage)
  target_compile_options(${script} PRIVATE --coverage -O0 -g)
  target_link_options(${script} PRIVATE --coverage)
  get_target_property(sources_dir ${script} SOURCE_DIR)
  get_target_property(binary_dir ${script} BINARY_DIR)
  add_custom_target(${script}_coverage
    COMMAND ${CMAKE_COMMAND} -DGCOVR=${VESK_GCOVR} -DNAME=${script}
      -DSOURCES=${sources_dir} -DOBJECTS=${binary_dir}/CMakeFiles/${script}.dir
      -DTESTS=${CMAKE_BINARY_DIR} -DREPORT=${CMAKE_BINARY_DIR}/coverage/${script}
      -P ${VESK_COVERAGE_RUNNER}
    DEPENDS ${script}
    USES_TERMINAL
    COMMENT "${script}: running its tests for coverage")
endfunction()

# What SCRIPT's coverage run needs built first: its test programs, and this
# tree's own vesk_host (an installed one is there already).
function(_vesk_coverage_needs script target)
  if(TARGET ${script}_coverage AND TARGET ${target})
    get_target_property(imported ${target} IMPORTED)
    if(NOT imported)
      add_dependencies(${script}_coverage ${target})
    endif()
  endif()
endfunction()
