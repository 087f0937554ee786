# Run by CPack on the files it is about to pack (CPACK_PRE_BUILD_SCRIPTS): what the package has
# beyond a `cmake --install`, as a debhelper build would make it.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

# `cmake --install --strip` leaves the compilers' version strings (.comment) and .note in the
# programs; dh_strip takes them out, and so does this.
file(GLOB programs "${root}/bin/*")
if(NOT programs)
    message(FATAL_ERROR "no programs to strip below ${root}")
endif()
foreach(program ${programs})
    execute_process(COMMAND ${CPACK_TARVO_STRIP} --remove-section=.comment --remove-section=.note ${program}
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${CPACK_TARVO_STRIP} failed on ${program}")
    endif()
endforeach()

# What lintian is told to leave alone in this package, each with its reason; it means nothing
# to an install below /usr/local, so only the package has it.
file(MAKE_DIRECTORY ${root}/share/lintian/overrides)
file(COPY_FILE ${CPACK_TARVO_SOURCE_DIR}/packaging/debian/lintian-overrides
     ${root}/share/lintian/overrides/tarvo-max-editor)
