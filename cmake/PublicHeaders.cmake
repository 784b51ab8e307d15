# The headers a host compiles against, with those they include: one list for the Linux install
# and the Windows release folder. Arguments after the root (e.g. COMPONENT release) go to each
# install rule.
function(vestrel_install_headers root)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/ DESTINATION ${root}/platform ${ARGN}
            FILES_MATCHING PATTERN "*.h" PATTERN "src" EXCLUDE)
    install(FILES ${PROJECT_SOURCE_DIR}/drawset/api.h ${PROJECT_SOURCE_DIR}/drawset/grobj.h
            DESTINATION ${root}/drawset ${ARGN})
    install(FILES ${PROJECT_SOURCE_DIR}/vestrel/frame/vestrel.h
                  ${PROJECT_SOURCE_DIR}/vestrel/frame/vestrel_api.h
            DESTINATION ${root}/vestrel/frame ${ARGN})
    install(FILES ${PROJECT_SOURCE_DIR}/vestrel/cmx/appearance.h
                  ${PROJECT_SOURCE_DIR}/vestrel/cmx/cmxheader.h
                  ${PROJECT_SOURCE_DIR}/vestrel/cmx/cmxparser.h
                  ${PROJECT_SOURCE_DIR}/vestrel/cmx/stoprecord.h
            DESTINATION ${root}/vestrel/cmx ${ARGN})
    install(FILES ${PROJECT_SOURCE_DIR}/vestrel/prevfile/prevfile.h
            DESTINATION ${root}/vestrel/prevfile ${ARGN})
endfunction()
