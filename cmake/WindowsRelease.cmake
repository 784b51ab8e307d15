# The Windows build's runtime and release folder.
#
# The GCC runtime stays shared: with the i686 toolchain's DWARF-2 unwinding an exception can
# only pass between modules that share libgcc_s, and the library's exceptions are meant to reach
# the host. So the runtime DLLs go beside our binaries, in the build tree (where the tests run)
# and in the release folder that `cmake --install` makes. tools/check-exports.sh checks that
# every DLL a binary imports is a system DLL, ours, or one of these.
set(VESTREL_RUNTIME_DLLS)
foreach(name libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
        file(REAL_PATH "${path}" path)
        list(APPEND VESTREL_RUNTIME_DLLS "${path}")
    endif()
endforeach()
file(COPY ${VESTREL_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

# The release folder: the DLLs, the runtime, the command, the import libraries and the headers a
# host compiles against; nothing else.
install(TARGETS platform drawset vestrel vestrel-cli
        RUNTIME DESTINATION . COMPONENT release
        ARCHIVE DESTINATION lib COMPONENT release)
install(FILES ${VESTREL_RUNTIME_DLLS} DESTINATION . COMPONENT release)
include(${CMAKE_CURRENT_LIST_DIR}/PublicHeaders.cmake)
vestrel_install_headers(include COMPONENT release)
