#pragma once

#include <windows.h>

#include <sqlite3.h>

// Shows the SQL editor modally on the open database.
void show_sql_editor(HWND owner, sqlite3* db);
