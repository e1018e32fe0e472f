# The page of a table shown and everything done to one of its records, apart from
# any window: which records, which page, what a cell shows, how an edit is written.
list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cell_edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cell_value.cpp
    ${CMAKE_CURRENT_LIST_DIR}/column_widths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_kind.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_statements.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_choice.cpp)
