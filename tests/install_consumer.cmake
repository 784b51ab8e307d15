# Installs the build at BUILD into a fresh prefix below OUT, then checks that the installed
# command runs from there alone and that a consumer finds the library both through
# find_package(vestrel) and through pkg-config.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN}: exit status ${status}\n${out}${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${OUT})
set(prefix ${OUT}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})

# The tree moves: the command and the libraries find each other relative to themselves.
file(RENAME ${prefix} ${OUT}/moved)
set(prefix ${OUT}/moved)
run(readelf -d ${prefix}/bin/vestrel)
if(NOT out MATCHES "RUNPATH[^\n]*\\[\\$ORIGIN/\\.\\./lib\\]")
    message(FATAL_ERROR "bin/vestrel's RUNPATH is not $ORIGIN/../lib:\n${out}")
endif()
run(${prefix}/bin/vestrel convert ${SAMPLE} ${OUT}/sample.job)

run(${CMAKE_COMMAND} -S ${SOURCE}/tests/consumer -B ${OUT}/consumer -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${OUT}/consumer)
run(${OUT}/consumer/consumer ${SAMPLE})
if(NOT out STREQUAL "objects: 12\n")
    message(FATAL_ERROR "the consumer of the CMake package says: ${out}")
endif()

set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs vestrel)
separate_arguments(flags UNIX_COMMAND "${out}")
run(${CXX} ${SOURCE}/tests/consumer/consumer.cpp ${flags} -Wl,-rpath,${prefix}/lib
    -o ${OUT}/pkgconfig-consumer)
run(${OUT}/pkgconfig-consumer ${SAMPLE})
if(NOT out STREQUAL "objects: 12\n")
    message(FATAL_ERROR "the consumer built with pkg-config says: ${out}")
endif()
