# Cross-build 32-bit Windows programs with Debian's mingw-w64 (posix threads).
set(ORLIX_MINGW_TRIPLE i686-w64-mingw32)
set(ORLIX_MINGW_PROCESSOR i686)
set(ORLIX_MINGW_WINE wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
