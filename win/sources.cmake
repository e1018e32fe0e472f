list(APPEND KORV_PURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/layout_math.cpp)
list(APPEND KORV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/busy_pump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/combo_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialog_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dpi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/glyph_faces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/list_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_loop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/progress_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/redraw_off.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reflection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_drawing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_subclass.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wide_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_text.cpp)
