#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "structure/table_definition.h"

// Changing a table's columns (names, types, removal) and its name while keeping
// its rows: the surviving columns are copied into the temporary table TEMP_TABLE,
// the table is dropped and created anew, and the rows are copied back by position.

constexpr const char kTempTableCreateFailedText[] = "テンポラリテーブル作成処理が失敗しました。";
constexpr const char kTempTableCopyFailedText[] = "テンポラリテーブル複写処理が失敗しました。";
constexpr const char kTableDropFailedText[] = "テーブル削除処理が失敗しました。";
constexpr const char kTableCopyFailedText[] = "テーブル複写処理が失敗しました。";
constexpr const char kTempTableDropFailedText[] = "テンポラリテーブル削除処理が失敗しました。";
// The six steps succeeded but the database would not make them final.
constexpr const char kRebuildCommitFailedText[] = "テーブル構造の変更を確定できませんでした。";

constexpr int kRebuildStepCount = 6;

// The names of the columns joined with ", ", each quoted: from source_name (the
// old table's columns) or from name (the new table's).
std::string source_list(const std::vector<ColumnDef>& columns);
std::string target_list(const std::vector<ColumnDef>& columns);

// The six statements in their order, step 4 being the creation of the new table.
// `table_name` is the table's present name, `new_name` its name afterwards.
std::vector<std::string> rebuild_statements(const std::string& table_name,
                                            const std::vector<ColumnDef>& columns,
                                            const std::string& new_name);

// Runs the six steps as one change: either all of them take effect, or the table
// keeps its name, columns and rows and no TEMP_TABLE is left. False with `error`
// holding the failing step's message (read before anything was undone).
bool rebuild_table(sqlite3* db,
                   const std::string& table_name,
                   const std::vector<ColumnDef>& columns,
                   const std::string& new_name,
                   StructureError& error);
