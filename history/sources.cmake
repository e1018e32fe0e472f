# Undo and redo of the user's changes to records.
list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/change_history.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/history_command.cpp)
