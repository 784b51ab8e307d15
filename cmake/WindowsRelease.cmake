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
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/ DESTINATION include/platform COMPONENT release
        FILES_MATCHING PATTERN "*.h" PATTERN "src" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/drawset/api.h ${PROJECT_SOURCE_DIR}/drawset/grobj.h
        DESTINATION include/drawset COMPONENT release)
install(FILES ${PROJECT_SOURCE_DIR}/vestrel/frame/vestrel.h
              ${PROJECT_SOURCE_DIR}/vestrel/frame/vestrel_api.h
        DESTINATION include/vestrel/frame COMPONENT release)
install(FILES ${PROJECT_SOURCE_DIR}/vestrel/cmx/cmxheader.h ${PROJECT_SOURCE_DIR}/vestrel/cmx/cmxparser.h
        DESTINATION include/vestrel/cmx COMPONENT release)
