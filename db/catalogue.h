#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// What the catalogue tells of a table's columns, and its number of records.
// Names are in the ANSI code page.

struct ColumnInfo {
    std::string name;
    std::string type;  // the declared type, possibly empty
    bool primary_key = false;
};

// The column (1-based) that is the table's alias of rowid: declared INTEGER and
// the table's only primary-key column. 0 when the table has none.
int rowid_alias_column(const std::vector<ColumnInfo>& columns);

// The number of records of a table (UTF-8 name); 0 when it cannot be counted.
// Only reads: a failure gives no message.
std::int64_t count_table_rows(sqlite3* db, const std::string& table);
