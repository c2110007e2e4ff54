# Renders one manual page with every groff warning on; any output fails.
execute_process(COMMAND "${GROFF}" -ww -z -man "${PAGE}" RESULT_VARIABLE status
                ERROR_VARIABLE warnings OUTPUT_VARIABLE output)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR NOT output STREQUAL "")
    message(FATAL_ERROR "groff on ${PAGE}: status ${status}\n${warnings}${output}")
endif()
