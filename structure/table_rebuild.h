#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "structure/rebuild_plan.h"
#include "structure/table_definition.h"

// Changing a table's columns (names, types, removal) and its name while keeping
// everything else of it: the definition of every kept column, the table's
// constraints and options, its rows with their row ids, and its indexes,
// triggers and views. What SQLite's ALTER TABLE can do (new names, removing a
// column nothing depends on) is done by it; the rest by copying the rows through
// the temporary table TEMP_TABLE into the table created anew. Either way the
// whole change is one savepoint: all of it, or nothing. The statements come from
// rebuild_plan.h; this runs them.

// The steps succeeded but the database would not make them final.
constexpr const char kRebuildCommitFailedText[] = "テーブル構造の変更を確定できませんでした。";
constexpr const char kRenameFailedText[] = "テーブル名または列名の変更処理が失敗しました。";
constexpr const char kForeignKeyBrokenText[] =
    "外部キーの参照先がないレコードができるため、変更を取り消しました。";

// What the change would lose: the indexes and triggers of the table (named
// exactly, UTF-8) and the constraints of its definition that name a column the
// list leaves out (they cannot come back without it), and the views that name
// such a column (kept, but they will fail). One text per object, for the user to
// confirm.
std::vector<std::string> objects_lost_by_change(sqlite3* db,
                                                const std::string& table_name,
                                                const std::vector<ColumnDef>& columns);

// Makes the table named exactly `table_name` (UTF-8) into `new_name` (the name
// field's text, UTF-8) with the columns of the list, each found by its exact
// source name. False with `error` holding what failed (read before anything was
// undone); the database is then as it was.
bool rebuild_table(sqlite3* db,
                   const std::string& table_name,
                   const std::vector<ColumnDef>& columns,
                   const std::string& new_name,
                   StructureError& error);
