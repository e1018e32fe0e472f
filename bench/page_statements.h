#pragma once

#include <sqlite3.h>

#include <string>

// The statements a refresh of page `page` of `table` sends (its records and one
// more from the page's offset), through SQLite alone:
// the bench under Wine and the native bench time the same work with this.
void run_page_statements(sqlite3* db, const std::string& table, int page);

// The SQL editor's listing of a large result, through SQLite alone.
constexpr char kSqlListQuery[] = "SELECT code, name, city, amount, note FROM items";
