list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/editor_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_colour_runs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_execution.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_highlighter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_undo.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/sql_editor_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_rehighlight.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_result_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_text_edit.cpp)
