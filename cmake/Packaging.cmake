# Release packaging: Orlix-<version>-win32.zip and the per-user installer
# Orlix-<version>-win32-setup.exe, both made by CPack from the install rules
# below, so the two always hold the same files.
#
#   cmake --build <build> --target package_zip package_installer
#
# writes both into <build>/package/ (scripts/package.sh does the same from a
# clean clone).

# ------------------------------------------------------------- version ---
# resources/version.h is the one place the version is written; the version
# resources of both programs come from it, and so does the package name.
set(_orlix_version_h ${CMAKE_SOURCE_DIR}/resources/version.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_orlix_version_h})
file(STRINGS ${_orlix_version_h} _orlix_version_lines
     REGEX "^#define[ \t]+ORLIX_VERSION_[A-Z]+[ \t]")

function(_orlix_version_field name pattern out)
    foreach(line IN LISTS _orlix_version_lines)
        if(line MATCHES "^#define[ \t]+ORLIX_VERSION_${name}[ \t]+${pattern}[ \t]*(//.*)?$")
            set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "resources/version.h: no ORLIX_VERSION_${name} of the form ${pattern}")
endfunction()

foreach(part MAJOR MINOR PATCH BUILD)
    _orlix_version_field(${part} "([0-9]+)" ORLIX_VERSION_${part})
endforeach()
_orlix_version_field(STRING "\"([^\"]*)\"" _orlix_version_text)
_orlix_version_field(RC "([0-9, ]+)" _orlix_version_rc)
set(ORLIX_VERSION
    "${ORLIX_VERSION_MAJOR}.${ORLIX_VERSION_MINOR}.${ORLIX_VERSION_PATCH}.${ORLIX_VERSION_BUILD}")
string(REPLACE " " "" _orlix_version_rc "${_orlix_version_rc}")
string(REPLACE "." "," _orlix_version_comma "${ORLIX_VERSION}")

# The header spells the version three times (the resource compiler cannot
# build the text from the numbers), and CMake's project() a fourth.
if(NOT _orlix_version_text STREQUAL ORLIX_VERSION)
    message(FATAL_ERROR "resources/version.h: ORLIX_VERSION_STRING is \"${_orlix_version_text}\" "
                        "but the numbers say ${ORLIX_VERSION}")
endif()
if(NOT _orlix_version_rc STREQUAL _orlix_version_comma)
    message(FATAL_ERROR "resources/version.h: ORLIX_VERSION_RC is ${_orlix_version_rc} "
                        "but the numbers say ${_orlix_version_comma}")
endif()
if(NOT PROJECT_VERSION STREQUAL ORLIX_VERSION)
    message(FATAL_ERROR "project(VERSION ${PROJECT_VERSION}) in CMakeLists.txt differs from "
                        "resources/version.h (${ORLIX_VERSION}): change both together")
endif()

if(NOT TARGET Orlix OR NOT TARGET tracedemo)
    message(STATUS "Packaging: the viewer is not built here, no package targets")
    return()
endif()

# -------------------------------------------------------- install rules ---
# Everything lands in one folder: the viewer finds its language files beside
# itself and keeps its settings there too.
set(_orlix_pkg ${CMAKE_BINARY_DIR}/package-files)
configure_file(${CMAKE_SOURCE_DIR}/docs/user-guide.txt ${_orlix_pkg}/UserGuide.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${_orlix_pkg}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS Orlix tracedemo RUNTIME DESTINATION . COMPONENT orlix)
install(FILES ${ORLIX_LNG_FILES} DESTINATION . COMPONENT orlix)
install(FILES ${_orlix_pkg}/UserGuide.txt ${_orlix_pkg}/LICENSE.txt
        DESTINATION . COMPONENT orlix)
# The sender header, for narrow and UNICODE programs alike, and the sample
# client that uses it.
install(FILES ${CMAKE_SOURCE_DIR}/tracedemo/DebugTrace.h ${CMAKE_SOURCE_DIR}/tracedemo/tracedemo.cpp
        DESTINATION sdk COMPONENT orlix)

# ---------------------------------------------------------------- CPack ---
set(CPACK_PACKAGE_NAME Orlix)
set(CPACK_PACKAGE_VENDOR "Orlix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orlix debug message viewer")
set(CPACK_PACKAGE_VERSION ${ORLIX_VERSION})
set(CPACK_PACKAGE_VERSION_MAJOR ${ORLIX_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${ORLIX_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${ORLIX_VERSION_PATCH})
set(CPACK_SYSTEM_NAME win32)
set(CPACK_PACKAGE_FILE_NAME "Orlix-${ORLIX_VERSION}-win32")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Orlix)
set(CPACK_RESOURCE_FILE_LICENSE ${_orlix_pkg}/LICENSE.txt)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_SOURCE_GENERATOR TGZ)
# Only the release files: the build also has test programs and libraries.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Orlix;orlix;/")
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
# (The zip holds one top folder, Orlix-<version>-win32, CPack's default.)
set(CPACK_STRIP_FILES OFF)
# The installer comes from our own NSIS script (per-user, no elevation);
# CPack fills in the file lists. installer/CPackOptions.cmake names its output.
set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/installer)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/installer/CPackOptions.cmake)
set(CPACK_NSIS_EXECUTABLE makensis)
set(CPACK_NSIS_PACKAGE_NAME "Orlix ${ORLIX_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME Orlix)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_ORLIX_ICON ${CMAKE_SOURCE_DIR}/resources/Orlix.ico)
include(CPack)

# One target per release file; both run CPack on the same install rules.
foreach(_gen IN ITEMS ZIP NSIS)
    if(_gen STREQUAL ZIP)
        set(_target package_zip)
        set(_file "Orlix-${ORLIX_VERSION}-win32.zip")
    else()
        set(_target package_installer)
        set(_file "Orlix-${ORLIX_VERSION}-win32-setup.exe")
    endif()
    add_custom_target(${_target}
        COMMAND ${CMAKE_CPACK_COMMAND} -G ${_gen} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "Packing package/${_file}"
        USES_TERMINAL
        VERBATIM)
    add_dependencies(${_target} Orlix tracedemo)
endforeach()
