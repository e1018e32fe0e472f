# The CSV export and import: reading and writing the files (window-free), and the
# commands with their dialogs.
list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/csv_export.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csv_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csv_import.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csv_reader.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/csv_export_command.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csv_file_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csv_import_command.cpp)
