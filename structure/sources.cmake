list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/column_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/connection_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rebuild_plan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_definition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_schema.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_sql.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_rebuild.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/structure_editor_dialog.cpp)
