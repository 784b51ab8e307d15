# GoogleTest: the system's package on native builds; for cross builds, the sources that Debian's
# googletest package installs, built with the cross compiler.
set(VESTREL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources, built for cross builds")

if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest REQUIRED)
    return()
endif()

if(NOT EXISTS ${VESTREL_GTEST_SOURCE_DIR}/googletest/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VESTREL_GTEST_SOURCE_DIR}: install Debian's "
                        "googletest package or set VESTREL_GTEST_SOURCE_DIR")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# Its sources are not held to the project's warnings.
get_directory_property(project_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${VESTREL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${project_options}")
