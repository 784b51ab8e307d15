# Makes the release folder afresh from the build tree: cmake --install, as a user runs it.
file(REMOVE_RECURSE ${RELEASE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${RELEASE}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()

# Every public header compiles from the release folder alone, as a host's compiler sees it.
file(GLOB_RECURSE headers RELATIVE ${RELEASE}/include ${RELEASE}/include/vestrel/*.h
     ${RELEASE}/include/drawset/*.h)
set(unit ${RELEASE}/../release-headers.cpp)
set(lines "")
foreach(header IN LISTS headers)
    string(APPEND lines "#include \"${header}\"\n")
endforeach()
file(WRITE ${unit} "${lines}")
execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${RELEASE}/include ${unit}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the release folder's headers do not compile on their own")
endif()
