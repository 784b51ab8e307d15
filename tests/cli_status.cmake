# Runs the vestrel program with ARGS and fails unless it exits with EXPECTED.
separate_arguments(arguments UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${arguments} RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL EXPECTED)
    message(FATAL_ERROR "vestrel ${ARGS}: exit status ${status}, expected ${EXPECTED}\n${out}${err}")
endif()
