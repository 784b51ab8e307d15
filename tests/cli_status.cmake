# Runs the vestrel program with ARGS, and INPUT as its standard input when given, and fails
# unless it exits with EXPECTED.
separate_arguments(arguments UNIX_COMMAND "${ARGS}")
set(input)
if(INPUT)
    set(input INPUT_FILE ${INPUT})
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${arguments} ${input} RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL EXPECTED)
    message(FATAL_ERROR "vestrel ${ARGS}: exit status ${status}, expected ${EXPECTED}\n${out}${err}")
endif()
