# Makes the font table again from the packaged header and compares it with the
# committed one.
execute_process(COMMAND ${CMAKE_COMMAND} -DOUTPUT=${OUTPUT} -P ${TOOL} RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "the font tool failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
  RESULT_VARIABLE _same)
if(NOT _same EQUAL 0)
  message(FATAL_ERROR "${EXPECTED} differs from what the font tool makes")
endif()
