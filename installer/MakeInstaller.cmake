# Makes the one installer, Orlix-<version>-setup.exe, from two build trees:
# it carries the x86-64 programs and the i686 ones and, at install time, puts
# the 64-bit programs on 64-bit Windows and the 32-bit ones elsewhere.
#
#   cmake -DWIN32_TREE=<i686 tree> -DWIN64_TREE=<x86-64 tree> -DOUT_DIR=<dir>
#         [-DSTUB=x86-unicode|amd64-unicode] [-DOUT_NAME=<file name>]
#         -P installer/MakeInstaller.cmake
#
# The release installer has the x86 stub, which runs on every Windows. The
# amd64 stub makes the same installer as a 64-bit program, for machines that
# run no 32-bit code (the tests use it there).
cmake_minimum_required(VERSION 3.20)
foreach(v WIN32_TREE WIN64_TREE OUT_DIR)
    if(NOT DEFINED ${v})
        message(FATAL_ERROR "MakeInstaller: -D${v}=... is required")
    endif()
endforeach()
if(NOT DEFINED STUB)
    set(STUB x86-unicode)
endif()
get_filename_component(_src ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

file(STRINGS ${_src}/resources/version.h _v REGEX "^#define[ \t]+ORLIX_VERSION_STRING[ \t]")
string(REGEX MATCH "\"([^\"]*)\"" _m "${_v}")
set(VERSION "${CMAKE_MATCH_1}")
if(NOT DEFINED OUT_NAME)
    set(OUT_NAME "Orlix-${VERSION}-setup.exe")
endif()

# Stage both architectures' release files side by side.
file(MAKE_DIRECTORY ${OUT_DIR})
set(_stage ${WIN32_TREE}/installer-stage-${STUB})
file(REMOVE_RECURSE ${_stage})
foreach(arch win32 win64)
    if(arch STREQUAL win32)
        set(_tree ${WIN32_TREE})
    else()
        set(_tree ${WIN64_TREE})
    endif()
    file(READ ${_tree}/orlix-arch _a)
    string(STRIP "${_a}" _a)
    if(NOT _a STREQUAL arch)
        message(FATAL_ERROR "MakeInstaller: ${_tree} builds ${_a}, not ${arch}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${_tree} --prefix ${_stage}/${arch}
                            --component orlix
                    RESULT_VARIABLE _r OUTPUT_QUIET)
    if(_r)
        message(FATAL_ERROR "MakeInstaller: installing ${_tree} failed")
    endif()
    file(GLOB_RECURSE _files RELATIVE ${_stage}/${arch} ${_stage}/${arch}/*)
    list(SORT _files)
    set(_files_${arch} ${_files})
endforeach()
if(NOT _files_win32 STREQUAL _files_win64)
    message(FATAL_ERROR "MakeInstaller: the two architectures ship different files:\n"
                        "${_files_win32}\n${_files_win64}")
endif()

# The uninstaller deletes exactly the files installed, then empty folders.
set(DELETE_FILES "")
set(_dirs "")
foreach(f IN LISTS _files_win32)
    string(REPLACE "/" "\\" w "${f}")
    string(APPEND DELETE_FILES "  Delete \"$INSTDIR\\${w}\"\n")
    get_filename_component(d "${f}" DIRECTORY)
    if(d)
        list(APPEND _dirs "${d}")
    endif()
endforeach()
list(REMOVE_DUPLICATES _dirs)
list(SORT _dirs ORDER DESCENDING)
set(DELETE_DIRS "")
foreach(d IN LISTS _dirs)
    string(REPLACE "/" "\\" w "${d}")
    string(APPEND DELETE_DIRS "  RMDir \"$INSTDIR\\${w}\"\n")
endforeach()

set(STAGE_DIR ${_stage})
set(OUT_FILE ${OUT_DIR}/${OUT_NAME})
file(MAKE_DIRECTORY ${OUT_DIR})
set(ICON ${_src}/resources/Orlix.ico)
set(LICENSE_FILE ${_stage}/win32/LICENSE.txt)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Orlix.nsi.in ${_stage}/Orlix.nsi @ONLY)
find_program(MAKENSIS makensis REQUIRED)
execute_process(COMMAND ${MAKENSIS} -V2 -NOCD ${_stage}/Orlix.nsi
                WORKING_DIRECTORY ${_stage}
                RESULT_VARIABLE _r)
if(_r)
    message(FATAL_ERROR "MakeInstaller: makensis failed")
endif()
message(STATUS "Installer: ${OUT_FILE} (${STUB})")
