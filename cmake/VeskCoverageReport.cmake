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
foreach(kind line branch)
  string(JSON ${kind}_covered GET "${summary}" ${kind}_covered)
  string(JSON ${kind}_total GET "${summary}" ${kind}_total)
  string(JSON ${kind}_percent GET "${summary}" ${kind}_percent)
endforeach()
message("${NAME} coverage: lines ${line_percent}% (${line_covered} of ${line_total}), "
  "branches ${branch_percent}% (${branch_covered} of ${branch_total}), report ${REPORT}/index.html")
