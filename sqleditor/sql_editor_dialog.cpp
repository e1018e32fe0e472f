#include "sqleditor/sql_editor_dialog.h"

void show_sql_editor(HWND, sqlite3*) {
}
