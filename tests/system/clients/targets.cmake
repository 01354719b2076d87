# Clients of the tests built from the shipped sender header alone.
add_executable(headerclient_a ${CMAKE_CURRENT_LIST_DIR}/headerclient.cpp)
target_link_libraries(headerclient_a PRIVATE user32)
target_link_options(headerclient_a PRIVATE ${ORLIX_STATIC_LINK})
add_executable(headerclient_w ${CMAKE_CURRENT_LIST_DIR}/headerclient.cpp)
target_compile_definitions(headerclient_w PRIVATE UNICODE _UNICODE)
target_link_libraries(headerclient_w PRIVATE user32)
target_link_options(headerclient_w PRIVATE ${ORLIX_STATIC_LINK})
add_executable(holdfile ${CMAKE_CURRENT_LIST_DIR}/holdfile.cpp)
target_compile_definitions(holdfile PRIVATE UNICODE _UNICODE)
target_link_options(holdfile PRIVATE ${ORLIX_STATIC_LINK})
if(MINGW)
    target_link_options(holdfile PRIVATE -municode)  # wmain
endif()
