# Read by CPack once per generator: the installer gets a name of its own, so
# that the zip and the setup program can lie side by side.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
