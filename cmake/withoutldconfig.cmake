# Run by cpack once the Debian package is built (CPACK_POST_BUILD_SCRIPTS):
# takes out the postinst and postrm that CPack writes to call ldconfig for
# the libraries under /usr/lib. The package's libraries are private to its
# programs, which find them through their run path, so the cache of shared
# libraries has no business with them. The package is unpacked and packed
# again with dpkg-deb; its files and their checksums stay as they were.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/without-ldconfig)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dpkg-deb could not unpack ${package}")
    endif()
    foreach(script postinst postrm)
        if(NOT EXISTS ${tree}/DEBIAN/${script})
            continue()
        endif()
        file(STRINGS ${tree}/DEBIAN/${script} lines)
        list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|\tldconfig|fi)?$")
        if(lines)
            message(FATAL_ERROR "${script} does more than call ldconfig: ${lines}")
        endif()
        file(REMOVE ${tree}/DEBIAN/${script})
    endforeach()
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${package}
        OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dpkg-deb could not pack ${package} again")
    endif()
    file(REMOVE_RECURSE ${tree})
endforeach()
