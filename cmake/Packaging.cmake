# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in a release build folder (or
# `cmake --workflow --preset deb`) packs what `cmake --install` puts under
# /usr. dpkg-shlibdeps (package dpkg-dev) reads the libraries the programs
# link and declares their packages; what it cannot see is listed here.

set(CPACK_PACKAGE_NAME zentrix)
set(CPACK_PACKAGE_VENDOR "zentrix developers")
set(CPACK_PACKAGE_CONTACT "zentrix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "check many domain names at once against the registries' WHOIS servers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Imports a list of domain names, asks each registry's WHOIS server about
every name, and shows the expiry, registration and update dates, owner,
e-mail, telephone and registrar of each in a list, which can be searched,
exported as CSV and resumed when interrupted. The desktop program, zentrix,
is in Simplified Chinese; zentrix-batch does the same from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # zentrix_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
if(ZENTRIX_BUILD_GUI)
    # Loaded at run time, so invisible to dpkg-shlibdeps: Qt's platform
    # plugins (the window system) and a font with Chinese glyphs; Qt's own
    # Chinese texts are welcome.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()

# Packing without dpkg-shlibdeps would declare no libraries at all.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingCheck.cmake)

include(CPack)
