# What `cmake --install` and `cpack` put beside the programs: man pages and the
# package documents on Linux, and the package settings of both builds. The
# native build makes the Debian package (cpack -G DEB), the Windows cross
# build the installer mirukado-setup.exe and a zip of the bare .scr (cpack).
include(GNUInstallDirs)

set(MIRUKADO_PACKAGE_CONTACT "Mirukado developers <mirukado@example.org>" CACHE STRING
  "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME mirukado)
set(CPACK_PACKAGE_VENDOR "Mirukado developers")
set(CPACK_PACKAGE_CONTACT "${MIRUKADO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver of Japanese fire-brigade drills")
# Without the drills' names: the Debian package's description, which names
# them, is written from the registry at build time (below).
set(CPACK_PACKAGE_DESCRIPTION
  "Mirukado plays the drills of a Japanese volunteer fire brigade, seen from\n"
  "above on a black stage, with each spoken command shown as a caption.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# Read by cpack for each generator: the file names that differ between them.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/packaging/per_generator.cmake)

if(WIN32)
  set(CPACK_GENERATOR NSIS ZIP)
  # Our own installer script: the saver goes into the Windows folder, not
  # under Program Files as CPack's stock script would put it.
  set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/packaging)
  set(CPACK_NSIS_PACKAGE_NAME "ミルカドスクリーンセーバー")
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Mirukado)
  set(CPACK_PACKAGE_ICON ${CMAKE_SOURCE_DIR}/assets/mirukado.ico)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

# Man pages, compressed as Debian ships them (man reads them either way). Their
# lists of drills, and the package description's, come from the registry:
# make_drill_pages (platform/linux) writes them at build time.
find_program(MIRUKADO_GZIP gzip REQUIRED)
set(man_pages "")
foreach(page mirukado.1 mirukado-render.1)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page} ${CMAKE_BINARY_DIR}/man/${page}.in @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}
    COMMAND make_drill_pages ${CMAKE_BINARY_DIR}/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS make_drill_pages ${CMAKE_BINARY_DIR}/man/${page}.in VERBATIM)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${MIRUKADO_GZIP} -9 -n -f -k ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page} VERBATIM)
  list(APPEND man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(mirukado_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(CPACK_MIRUKADO_DEB_DESCRIPTION ${CMAKE_BINARY_DIR}/doc/description.txt)
add_custom_command(OUTPUT ${CPACK_MIRUKADO_DEB_DESCRIPTION}
  COMMAND make_drill_pages ${CMAKE_CURRENT_LIST_DIR}/packaging/description.txt.in
    ${CPACK_MIRUKADO_DEB_DESCRIPTION}
  DEPENDS make_drill_pages ${CMAKE_CURRENT_LIST_DIR}/packaging/description.txt.in VERBATIM)
add_custom_target(mirukado_package_description ALL DEPENDS ${CPACK_MIRUKADO_DEB_DESCRIPTION})

# The package's copyright and change log, where Debian keeps them.
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
  COMMAND ${MIRUKADO_GZIP} -9 -n -f -k ${CMAKE_BINARY_DIR}/doc/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog VERBATIM)
add_custom_target(mirukado_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
# RelWithDebInfo and Debug builds carry debug information; the package does not.
# (The Windows Release link strips already.)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the caption needs a Japanese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | mate-screensaver | xfce4-screensaver")
include(CPack)
