list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cell_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/value_dump.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/table_grid_editing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cell_editor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filter_strip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_deletion.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_error_report.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_grid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_grid_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_decoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_edit_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/value_viewer.cpp)
