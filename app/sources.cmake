list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/about_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/application.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cell_file_command.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/help.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_dialog.cpp)
