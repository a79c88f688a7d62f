# Read by cpack once for each generator.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME mirukado-setup)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME mirukado-${CPACK_PACKAGE_VERSION}-scr)
endif()

# The Debian package's description names the drills: make_drill_pages wrote
# it from the registry when the project was built.
if(CPACK_GENERATOR STREQUAL "DEB" AND EXISTS "${CPACK_MIRUKADO_DEB_DESCRIPTION}")
  file(READ "${CPACK_MIRUKADO_DEB_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
endif()
