list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/structure_editor_dialog.cpp)
