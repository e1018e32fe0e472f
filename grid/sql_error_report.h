#pragma once

#include <windows.h>

#include <sqlite3.h>

// Shows a failed statement: the operation's text and the database's message (see
// sql_error_text), caption "SQL エラー", information icon, OK only, owned by the
// window of the operation.
void report_sql_error(HWND owner, const char* operation_text, sqlite3* handle);

class ReadFailureWatch;

// Tells the user that reads of an action could not be made (another program's
// lock, a damaged file, a stop), when the watch is the action's own: an inner
// watch leaves it to the outer one.
void report_unreadable(HWND owner, const ReadFailureWatch& watch);

// Tells, once a file is open, that it orders some of its records by collations
// the program has only stand-ins for; nothing when it has none.
void report_stand_ins(HWND owner, sqlite3* db);
