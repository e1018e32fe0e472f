#include "structure/structure_editor_dialog.h"

INT_PTR show_structure_editor(HWND, sqlite3*, const std::string&) {
    return IDCANCEL;
}
