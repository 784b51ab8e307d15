# Runs the vestrel program with ARGS, with INPUT as its standard input and OUTPUT as its standard
# output when given, and fails unless it exits with EXPECTED.
separate_arguments(arguments UNIX_COMMAND "${ARGS}")
set(input)
if(INPUT)
    set(input INPUT_FILE ${INPUT})
endif()
set(output OUTPUT_VARIABLE out)
if(OUTPUT)
    set(output OUTPUT_FILE ${OUTPUT})
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${arguments} ${input} RESULT_VARIABLE status
                ${output} ERROR_VARIABLE err)
if(NOT status STREQUAL EXPECTED)
    message(FATAL_ERROR "vestrel ${ARGS}: exit status ${status}, expected ${EXPECTED}\n${out}${err}")
endif()
