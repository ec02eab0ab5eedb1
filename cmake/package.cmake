# The release package: one Debian binary package "vexalith" with both
# programs, their data files, the manual and the desktop integration, made
# by cpack from the install rules (cmake/install.cmake, src/, tools/):
#
#     cpack --config BUILD/CPackConfig.cmake
#
# scripts/make-release.sh builds it in Release mode and writes the update
# server's version file beside it.  The desktop's MIME, icon and menu
# caches are refreshed by the triggers of shared-mime-info,
# hicolor-icon-theme and desktop-file-utils; the package needs no
# maintainer scripts.

# Debian keeps the licence as the package's copyright file, in the
# machine-readable format, made from LICENSE.
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" _vexalith_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _vexalith_holder "${_vexalith_license}")
set(_vexalith_holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^[^\n]*\n\n[^\n]*\n\n" "" _vexalith_terms "${_vexalith_license}")
string(STRIP "${_vexalith_terms}" _vexalith_terms)
string(REPLACE "\n\n" "\n.\n" _vexalith_terms "${_vexalith_terms}")
string(REPLACE "\n" "\n " _vexalith_terms "${_vexalith_terms}")
file(WRITE "${PROJECT_BINARY_DIR}/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: vexalith

Files: *
Copyright: ${_vexalith_holder}
License: BSD-3-Clause
 ${_vexalith_terms}
")
install(FILES "${PROJECT_BINARY_DIR}/copyright" DESTINATION share/doc/vexalith)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vexalith")
set(CPACK_PACKAGE_VENDOR "the Vexalith developers")
set(CPACK_PACKAGE_CONTACT "Vexalith developers <vexalith@vexalith.org>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CIF structures as 3D models for viewing and 3D printing")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.vexalith.org/")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME "${VEXALITH_PACKAGE_FILE}")
set(CPACK_DEBIAN_PACKAGE_NAME "vexalith")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
# The libraries the programs link, as dpkg-shlibdeps (dpkg-dev) finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info")
# Below the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Vexalith reads crystal and molecular structures from CIF files
(small-molecule CIF, macromolecular mmCIF and chemical-component CIF) and
turns them into ball-and-stick, covalent-radius or van der Waals models with
bonds, hydrogen bonds and a protein backbone trace.
.
The desktop program shows the model in its own 3D viewer; the command-line
converter vexalith-convert writes VRML 2.0 scenes, colour VRML for 3D
printers and STL files.")

include(CPack)
