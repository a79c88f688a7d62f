# Read by cpack once for each generator.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME mirukado-setup)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME mirukado-${CPACK_PACKAGE_VERSION}-scr)
endif()
