# Copies the release folder to WORK, puts PROGRAM (default: the release's vestrel.exe) beside
# its DLLs and runs it there with ARGS: it finds nothing but what the folder holds.
file(REMOVE_RECURSE ${WORK})
file(COPY ${RELEASE}/ DESTINATION ${WORK})
set(name vestrel.exe)
if(PROGRAM)
    file(COPY ${PROGRAM} DESTINATION ${WORK})
    get_filename_component(name ${PROGRAM} NAME)
endif()
separate_arguments(arguments UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${WORK}/${name} ${arguments} WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name} ${ARGS}: exit status ${status}")
endif()
