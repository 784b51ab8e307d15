# Makes the release folder afresh from the build tree: cmake --install, as a user runs it.
file(REMOVE_RECURSE ${RELEASE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${RELEASE}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()
