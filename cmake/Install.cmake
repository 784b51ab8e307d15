# The install on Linux and other ELF systems: the command in bin, the shared libraries in lib
# (found through RUNPATHs relative to themselves, so that the tree can move), the public headers,
# a CMake package with imported targets (vestrel::vestrel, vestrel::drawset, vestrel::platform)
# and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(libraries platform drawset vestrel)
set_target_properties(platform PROPERTIES EXPORT_NAME platform)
foreach(library IN LISTS libraries)
    set_target_properties(${library} PROPERTIES VERSION ${PROJECT_VERSION}
                          SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN")
endforeach()
install(TARGETS ${libraries} EXPORT vestrelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET vestrel-cli)
    file(RELATIVE_PATH libraryFromProgram ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
         ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
    set_target_properties(vestrel-cli PROPERTIES INSTALL_RPATH "$ORIGIN/${libraryFromProgram}")
    install(TARGETS vestrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

include(${CMAKE_CURRENT_LIST_DIR}/PublicHeaders.cmake)
vestrel_install_headers(${CMAKE_INSTALL_INCLUDEDIR})

set(packageDir ${CMAKE_INSTALL_LIBDIR}/cmake/vestrel)
install(EXPORT vestrelTargets NAMESPACE vestrel:: DESTINATION ${packageDir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vestrelConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/vestrelConfig.cmake
                              INSTALL_DESTINATION ${packageDir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vestrelConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vestrelConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/vestrelConfigVersion.cmake
        DESTINATION ${packageDir})

# The file finds the prefix from where it lies, so that an installed tree can move.
file(RELATIVE_PATH prefixFromPkgconfig /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vestrel.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vestrel.pc
               @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vestrel.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
