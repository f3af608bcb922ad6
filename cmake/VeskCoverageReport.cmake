# The work of a NAME_coverage target (VeskCoverage.cmake), run with cmake -P:
#   -DGCOVR=program -DNAME=script -DSOURCES=folder -DOBJECTS=folder -DTESTS=build folder -DREPORT=folder
# Fails when a test fails, so that a report never hides a broken run.
foreach(required GCOVR NAME SOURCES OBJECTS TESTS REPORT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "VeskCoverageReport.cmake: -D${required}= is missing")
  endif()
endforeach()

# Counters of an earlier run would count lines this one never reached.
file(GLOB_RECURSE old_counts "${OBJECTS}/*.gcda")
if(old_counts)
  file(REMOVE ${old_counts})
endif()
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${TESTS} -L "^vesk_script_${NAME}$"
    --output-on-failure --no-tests=error
  RESULT_VARIABLE tests_failed)
if(tests_failed)
  message(FATAL_ERROR "${NAME} coverage: a test failed (above); no report written")
endif()

file(REMOVE_RECURSE ${REPORT})
file(MAKE_DIRECTORY ${REPORT})
string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" sources_pattern "${SOURCES}/")
execute_process(COMMAND ${GCOVR} --root ${SOURCES} --filter "${sources_pattern}"
    --html-details ${REPORT}/index.html --json-summary ${REPORT}/summary.json ${OBJECTS}
  RESULT_VARIABLE gcovr_failed)
if(gcovr_failed)
  message(FATAL_ERROR "${NAME} coverage: gcovr failed")
endif()
file(READ ${REPORT}/summary.json summary)
# Percentages with one decimal, from the counts (gcovr's own are floats).
foreach(kind line branch)
  string(JSON ${kind}_covered GET "${summary}" ${kind}_covered)
  string(JSON ${kind}_total GET "${summary}" ${kind}_total)
  if(${kind}_total GREATER 0)
    math(EXPR tenths "(${${kind}_covered} * 1000 + ${${kind}_total} / 2) / ${${kind}_total}")
    math(EXPR whole "${tenths} / 10")
    math(EXPR tenth "${tenths} % 10")
    set(${kind}_percent "${whole}.${tenth}")
  else()
    set(${kind}_percent "100.0")
  endif()
endforeach()
# On standard output (message() writes to standard error), for a pipe to read.
execute_process(COMMAND ${CMAKE_COMMAND} -E echo
  "${NAME} coverage: lines ${line_percent}% (${line_covered} of ${line_total}), branches ${branch_percent}% (${branch_covered} of ${branch_total}), report ${REPORT}/index.html")
