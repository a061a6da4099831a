# SPDX-License-Identifier: MIT
# Read by cpack before it packs: a Debian package needs dpkg-shlibdeps to
# declare the libraries it links.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(ZENTRIX_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT ZENTRIX_DPKG_SHLIBDEPS)
        message(FATAL_ERROR
                "dpkg-shlibdeps is missing: install dpkg-dev (apt-get install dpkg-dev)")
    endif()
endif()
