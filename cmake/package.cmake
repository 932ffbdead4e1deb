# The Debian package: `cpack -G DEB` in the build folder (or scripts/package.sh)
# writes vyra-sequencer_<version>_<arch>.deb with the program, both drivers,
# the simulator's control tool, the desktop entry and the icon, installed
# under /usr. Its dependencies come from the libraries the program and the
# drivers link, as dpkg-shlibdeps finds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vyra-sequencer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quellmark)
set(CPACK_PACKAGE_CONTACT "Vyra Sequencer developers <vyra-sequencer@quellmark.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configures and runs the hardware sequencer of an industrial colour camera")
set(CPACK_PACKAGE_DESCRIPTION
    "Builds up to 32 parameter sets (exposure, gain, AOI offset, flash and the path to\n\
the next set), writes them into the camera, runs the sequence live or one trigger\n\
at a time and shows each image with the set that took it highlighted. Runs on a\n\
simulated camera by default and on GenICam cameras through Aravis with\n\
VYRA_DRIVER=aravis.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own libraries are in the package; dpkg-shlibdeps finds them there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${CMAKE_BINARY_DIR}/driver;${CMAKE_BINARY_DIR}/drivercore;${CMAKE_BINARY_DIR}/platform;${CMAKE_BINARY_DIR}/simulator;${CMAKE_BINARY_DIR}/sequencer")
include(CPack)
