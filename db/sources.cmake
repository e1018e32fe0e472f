list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/connection_hooks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/database_connection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/paging.cpp
    ${CMAKE_CURRENT_LIST_DIR}/part_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/read_watch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_identity.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/result_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_watch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sql_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stand_in_collation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_shape.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_convert.cpp)
if(WIN32)
    list(APPEND KORV_WIN_SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/text_convert_win.cpp)
else()
    list(APPEND KORV_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_convert_iconv.cpp)
endif()
