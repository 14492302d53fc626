# Runs vantrel-log MODE [OPTIONS] on INPUT and compares its standard output
# with EXPECTED, byte for byte. OPTIONS is a ;-list, e.g. "--json".
execute_process(
  COMMAND "${TOOL}" "${MODE}" ${OPTIONS} "${INPUT}"
  OUTPUT_FILE "${ACTUAL}"
  ERROR_VARIABLE errors
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "vantrel-log ${MODE} ${INPUT} exited with ${rc}: ${errors}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${ACTUAL}" "${EXPECTED}" RESULT_VARIABLE differ)
if(differ)
  execute_process(COMMAND diff -u "${EXPECTED}" "${ACTUAL}")
  message(FATAL_ERROR "output of vantrel-log ${MODE} ${INPUT} differs from ${EXPECTED}")
endif()
