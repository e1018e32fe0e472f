#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "structure/rebuild_plan.h"

// What the database holds about a table, read for the rebuild's plan: its
// columns, its statement, its indexes and triggers, the views, its counter of
// AUTOINCREMENT and the state of the foreign keys. Names are exact (UTF-8).

// False when the table's columns or its statement cannot be read or do not
// agree.
bool read_table_schema(sqlite3* db, const std::string& table, TableSchema& schema);

// The table's statement as the database keeps it, taken apart.
bool read_table_sql(sqlite3* db, const std::string& table, TableSql& parsed);

// The indexes and triggers of a table that were written (not made for its
// constraints), in the order they were made.
bool read_table_objects(sqlite3* db, const std::string& table, std::vector<SchemaObject>& objects);

// The views with a statement, by name.
std::vector<SchemaObject> read_views(sqlite3* db);

// The table's row in sqlite_sequence, if it has one.
std::optional<std::string> read_sequence(sqlite3* db, const std::string& table);

// Row count of the foreign key check, or -1 when the check itself fails (a key
// that refers to columns with no unique index over them). `tables` gathers the
// tables with rows that lost their parent.
long foreign_key_problems(sqlite3* db, std::string* tables = nullptr);
