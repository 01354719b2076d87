# Release packaging. Each build tree makes the zip of its architecture,
# Orlix-<version>-win32.zip (i686) or Orlix-<version>-win64.zip (x86-64),
# with CPack from the install rules below:
#
#   cmake --build <tree> --target package_zip
#
# writes it into ORLIX_PACKAGE_DIR. The one installer holds both
# architectures, so it is made from two trees' install rules by
# installer/MakeInstaller.cmake (scripts/package.sh does all of it).

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

if(NOT TARGET Orlix OR NOT TARGET tracedemo OR NOT TARGET orlixcap)
    message(STATUS "Packaging: the viewer is not built here, no package targets")
    return()
endif()

# -------------------------------------------------------- install rules ---
# Everything lands in one folder: the viewer finds its language files beside
# itself and keeps its settings there too.
set(_orlix_pkg ${CMAKE_BINARY_DIR}/package-files)
# The user guide lies beside the programs in the build tree too, where
# Help › User Guide looks for it: the text, and the page made from it.
configure_file(${CMAKE_SOURCE_DIR}/docs/user-guide.txt ${CMAKE_BINARY_DIR}/UserGuide.txt
               @ONLY NEWLINE_STYLE CRLF)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/UserGuide.html
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/make_guide_html.py
            ${CMAKE_BINARY_DIR}/UserGuide.txt ${CMAKE_BINARY_DIR}/UserGuide.html
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_guide_html.py ${CMAKE_BINARY_DIR}/UserGuide.txt
    COMMENT "Making UserGuide.html"
    VERBATIM)
add_custom_target(user_guide ALL DEPENDS ${CMAKE_BINARY_DIR}/UserGuide.html)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${_orlix_pkg}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS Orlix tracedemo orlixcap RUNTIME DESTINATION . COMPONENT orlix)
install(FILES ${ORLIX_LNG_FILES} DESTINATION . COMPONENT orlix)
install(FILES ${CMAKE_BINARY_DIR}/UserGuide.txt ${CMAKE_BINARY_DIR}/UserGuide.html
              ${_orlix_pkg}/LICENSE.txt
        DESTINATION . COMPONENT orlix)
# The sender header, for narrow and UNICODE programs alike, and the sample
# client that uses it.
install(FILES ${CMAKE_SOURCE_DIR}/tracedemo/DebugTrace.h ${CMAKE_SOURCE_DIR}/tracedemo/tracedemo.cpp
        DESTINATION sdk COMPONENT orlix)

# ---------------------------------------------------------------- CPack ---
set(ORLIX_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package CACHE PATH "Where the release files go")
file(WRITE ${CMAKE_BINARY_DIR}/orlix-package-dir "${ORLIX_PACKAGE_DIR}\n")
set(CPACK_PACKAGE_NAME Orlix)
set(CPACK_PACKAGE_VENDOR "Orlix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orlix debug message viewer")
set(CPACK_PACKAGE_VERSION ${ORLIX_VERSION})
set(CPACK_PACKAGE_VERSION_MAJOR ${ORLIX_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${ORLIX_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${ORLIX_VERSION_PATCH})
set(CPACK_SYSTEM_NAME ${ORLIX_ARCH})
set(CPACK_PACKAGE_FILE_NAME "Orlix-${ORLIX_VERSION}-${ORLIX_ARCH}")
set(CPACK_OUTPUT_FILE_PREFIX ${ORLIX_PACKAGE_DIR})
set(CPACK_GENERATOR ZIP)
set(CPACK_SOURCE_GENERATOR TGZ)
# Only the release files: the build also has test programs and libraries.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Orlix;orlix;/")
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
# (The zip holds one top folder, Orlix-<version>-<arch>, CPack's default.)
set(CPACK_STRIP_FILES OFF)
include(CPack)

add_custom_target(package_zip
    COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing Orlix-${ORLIX_VERSION}-${ORLIX_ARCH}.zip"
    USES_TERMINAL
    VERBATIM)
add_dependencies(package_zip Orlix tracedemo orlixcap user_guide)
