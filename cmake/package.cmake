# The Debian package: `cpack -G DEB` in the build folder (or scripts/package.sh)
# writes vyra-sequencer_<version>-<revision>_<arch>.deb with the programs (the
# window and the command-line runner), both drivers, the simulator's control
# tool, the desktop entry, the icon, a manual page per program, the copyright
# file, the changelog and lintian's overrides, installed under /usr. Its
# dependencies come from the libraries the programs and the drivers link, as
# dpkg-shlibdeps finds them. `lintian` finds nothing to say about it.
#
# A program in /usr/bin comes with its manual page: install the program in
# its own CMakeLists.txt and add the page (packaging/man/NAME.1) to the list
# below, one line each.
set(VYRA_MANUAL_PAGES
    vyra-sequencer.1
    vyra-sequencer-run.1
    vyrasim-ctl.1)

set(VYRA_PACKAGE_NAME vyra-sequencer)
# The packaging's own revision of the program's version: the top entry of
# packaging/changelog names both.
set(VYRA_PACKAGE_REVISION 1)
set(VYRA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VYRA_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${VYRA_PACKAGE_NAME})

# Debian wants manual pages and changelogs compressed, without a time stamp
# in the header so that the package is the same at every build.
function(vyra_install_compressed source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
    execute_process(COMMAND gzip -9 -n -c ${source} OUTPUT_FILE ${compressed}
        RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip could not compress ${source}")
    endif()
    # A change to the source compresses it again.
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${compressed} DESTINATION ${destination} ${ARGN})
endfunction()

foreach(page ${VYRA_MANUAL_PAGES})
    string(REGEX MATCH "[0-9]$" section ${page})
    vyra_install_compressed(${VYRA_PACKAGING_DIR}/man/${page}
        ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

file(STRINGS ${VYRA_PACKAGING_DIR}/changelog changelogTop LIMIT_COUNT 1)
string(REGEX MATCH "^${VYRA_PACKAGE_NAME} \\(([^)]*)\\)" changelogTop "${changelogTop}")
set(packageVersion ${PROJECT_VERSION}-${VYRA_PACKAGE_REVISION})
if(NOT CMAKE_MATCH_1 STREQUAL packageVersion)
    message(FATAL_ERROR "packaging/changelog's latest entry is for \"${CMAKE_MATCH_1}\"; "
                        "version ${packageVersion} needs an entry of its own")
endif()
vyra_install_compressed(${VYRA_PACKAGING_DIR}/changelog ${VYRA_PACKAGE_DOCDIR}
    RENAME changelog.Debian.gz)
install(FILES ${VYRA_PACKAGING_DIR}/copyright DESTINATION ${VYRA_PACKAGE_DOCDIR})
install(FILES ${VYRA_PACKAGING_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${VYRA_PACKAGE_NAME})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VYRA_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VYRA_PACKAGE_REVISION})
set(CPACK_PACKAGE_VENDOR Quellmark)
set(CPACK_PACKAGE_CONTACT "Vyra Sequencer developers <vyra-sequencer@quellmark.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configures and runs the hardware sequencer of an industrial colour camera")
# Lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Builds up to 32 parameter sets (exposure, gain, AOI offset, flash and the\n\
path to the next set), writes them into the camera, runs the sequence live\n\
or one trigger at a time and shows each image with the set that took it\n\
highlighted; records every image into a folder with its parameters.\n\
vyra-sequencer-run runs a saved sequence and records it without a window,\n\
from a script or on a machine without a display. Runs on a simulated camera\n\
by default and on GenICam cameras through Aravis with VYRA_DRIVER=aravis.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own libraries are in the package; dpkg-shlibdeps finds them there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${CMAKE_BINARY_DIR}/driver;${CMAKE_BINARY_DIR}/drivercore;${CMAKE_BINARY_DIR}/platform;${CMAKE_BINARY_DIR}/simulator;${CMAKE_BINARY_DIR}/sequencer")
# CPack calls ldconfig from postinst and postrm for any library under
# /usr/lib; the program's libraries are private to it (found through its run
# path), so the finished package loses those two scripts.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/withoutldconfig.cmake)
include(CPack)
