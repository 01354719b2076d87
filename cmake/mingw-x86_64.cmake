# Cross-build 64-bit (x86-64) Windows programs with Debian's mingw-w64 (posix threads).
set(ORLIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(ORLIX_MINGW_PROCESSOR x86_64)
set(ORLIX_MINGW_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
