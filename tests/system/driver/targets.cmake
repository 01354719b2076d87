# Windows programs of the end-to-end tests: the automation driver and the
# fixtures it works with. Self-contained (no viewer code), linked statically.
set(_orlix_sys ${CMAKE_CURRENT_LIST_DIR}/..)
set(_orlix_sys_defs WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

add_executable(orlixdrv ${_orlix_sys}/driver/orlixdrv.cpp)
target_compile_definitions(orlixdrv PRIVATE UNICODE _UNICODE ${_orlix_sys_defs})
target_link_libraries(orlixdrv PRIVATE comctl32 user32 psapi)

add_executable(recvwin ${_orlix_sys}/fixtures/recvwin.cpp)
target_compile_definitions(recvwin PRIVATE UNICODE _UNICODE ${_orlix_sys_defs})
target_link_libraries(recvwin PRIVATE user32)

add_executable(bare_window ${_orlix_sys}/fixtures/bare_window.cpp)
target_compile_definitions(bare_window PRIVATE UNICODE _UNICODE ${_orlix_sys_defs})
target_link_libraries(bare_window PRIVATE user32)

add_executable(bare_reader ${_orlix_sys}/fixtures/reader.cpp)
target_compile_definitions(bare_reader PRIVATE UNICODE _UNICODE ${_orlix_sys_defs})

# Narrow characters on purpose: OutputDebugStringA is what it exercises.
add_executable(odswriter ${_orlix_sys}/fixtures/odswriter.cpp)
target_compile_definitions(odswriter PRIVATE ${_orlix_sys_defs})

foreach(_t orlixdrv recvwin bare_window bare_reader odswriter)
    target_compile_options(${_t} PRIVATE ${ORLIX_WARNINGS})
    target_link_options(${_t} PRIVATE ${ORLIX_STATIC_LINK})
endforeach()
if(MINGW)
    foreach(_t orlixdrv recvwin bare_window bare_reader)
        target_link_options(${_t} PRIVATE -municode)
    endforeach()
endif()
