list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/table_definition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_sql.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_rebuild.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/structure_editor_dialog.cpp)
