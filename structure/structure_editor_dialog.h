#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <string>

// Shows the structure editor modally: for a new table when table_name is empty,
// else for that table. Returns IDOK after a table was created or rebuilt.
INT_PTR show_structure_editor(HWND owner, sqlite3* db, const std::string& table_name);
