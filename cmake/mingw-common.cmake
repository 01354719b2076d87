# Shared part of the mingw-w64 toolchain files: set ORLIX_MINGW_TRIPLE and
# ORLIX_MINGW_PROCESSOR, then include this. Debian's posix-thread compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORLIX_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER   ${ORLIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORLIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ORLIX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORLIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Plain wine by default; the top-level project swaps in the test harness,
# which gives every test program its own prefix, display and network and
# picks the loader for the architecture.
set(CMAKE_CROSSCOMPILING_EMULATOR ${ORLIX_MINGW_WINE})
