#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "db/sql_text.h"

// Reading the database's catalogue. Names come back whole, in the ANSI code page.
// These statements only read: a failure gives an empty answer and no message.

// The names of the tables (internal ones included) in the database's order of
// names; false when the catalogue could not be read.
bool read_table_names(sqlite3* db, std::vector<std::string>& names);

struct ColumnInfo {
    std::string name;
    std::string type;  // the declared type, possibly empty
    bool primary_key = false;
};

// The columns of a table in their order; false when they could not be read or
// the table has none.
bool read_column_info(sqlite3* db, const std::string& table, std::vector<ColumnInfo>& columns);

// The number of records of a table; 0 when it cannot be counted.
std::int64_t count_table_rows(sqlite3* db, const std::string& table);
