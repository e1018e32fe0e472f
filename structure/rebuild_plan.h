#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "structure/table_definition.h"
#include "structure/table_sql.h"

// What a change of a table's columns and name asks of the database, worked out
// from what the database holds (read by table_schema.h) and the editor's list,
// without a connection: the plain data in, the statements to run out. The
// rebuild (table_rebuild.h) runs them and reads back what it needs between the
// phases.

constexpr const char kTempTableCreateFailedText[] = "テンポラリテーブル作成処理が失敗しました。";
constexpr const char kTempTableCopyFailedText[] = "テンポラリテーブル複写処理が失敗しました。";
constexpr const char kTableDropFailedText[] = "テーブル削除処理が失敗しました。";
constexpr const char kTableCopyFailedText[] = "テーブル複写処理が失敗しました。";
constexpr const char kTempTableDropFailedText[] = "テンポラリテーブル削除処理が失敗しました。";
constexpr const char kRestoreFailedText[] =
    "インデックスまたはトリガーの再作成処理が失敗しました。";
constexpr const char kUnreadableTableText[] =
    "テーブルの定義を読み取れないため、構造を変更できませんでした。";
constexpr const char kUnknownColumnText[] =
    "テーブルにない列があるため、構造を変更できませんでした。";

constexpr int kRebuildStepCount = 6;

// An index or trigger (or view) as the schema table holds it, UTF-8.
struct SchemaObject {
    std::string type;
    std::string name;
    std::string sql;
};

// The table as the database holds it before the change.
struct TableSchema {
    std::string table;  // UTF-8, exact
    std::vector<TableColumn> columns;
    TableSql definition;
    // The names of everything in the schema, for a free name to pass through.
    std::vector<std::string> schema_names;
};

// What the list asks of each column of the table as it stands.
struct KeptColumn {
    std::size_t original = 0;
    std::string name;  // UTF-8
    bool retype = false;
    std::string type;  // UTF-8, as the user left it
};

struct ChangePlan {
    std::string table;      // UTF-8
    std::string new_table;  // UTF-8
    std::vector<TableColumn> columns;
    std::vector<std::string> names;  // UTF-8, in table order
    std::vector<KeptColumn> kept;    // in list order
    std::vector<std::size_t> deleted;
    std::vector<std::string> schema_names;

    bool retypes() const;
    bool is_deleted(std::size_t original) const;
};

// Matches the list's columns to the table's (each by its exact source name) and
// takes the name field's text (UTF-8) as the table's new name. False with `error`
// for a column the table does not have.
bool plan_change(const TableSchema& schema,
                 const std::vector<ColumnDef>& columns,
                 const std::string& new_name,
                 ChangePlan& plan,
                 StructureError& error);

// The table as the change finds it after ALTER TABLE: its present name, and for
// each of its columns (in table order) the column it was and its present name.
struct TableState {
    std::string table;
    std::vector<std::string> names;
    std::vector<std::size_t> originals;

    explicit TableState(const ChangePlan& plan);
    // Position in the table of the column that was `original`.
    std::size_t position(std::size_t original) const;
    void remove(std::size_t original);
};

// A column ALTER TABLE may remove, with its statement. The database refuses a
// column something depends on; the copy then takes it out.
struct ColumnDrop {
    std::size_t original;
    std::string sql;
};

// Nothing while a type changes (the copy is needed anyway) or no column is kept.
std::vector<ColumnDrop> column_drops(const ChangePlan& plan, const TableState& state);

// One ALTER TABLE statement and what it does to the state.
struct AlterStep {
    std::string sql;
    // A column's new name, or the table's when `column` is npos.
    std::size_t column;
    std::string name;
};

// The new column names and the new table name as ALTER TABLE statements, in
// order, for the table in `state` (after the drops).
std::vector<AlterStep> alter_steps(const ChangePlan& plan, const TableState& state);
void apply(const AlterStep& step, TableState& state);

// True when ALTER TABLE cannot finish the change: a new type, a column still
// to delete, or no column kept.
bool needs_copy(const ChangePlan& plan, const TableState& state);

// A statement of the copy with what the user is told when it fails.
struct RebuildStep {
    std::string sql;
    const char* failure_text;
    // 1 to 6 for the six steps of the copy, 0 for what follows them.
    int step;
};

// The copy for the table as `state` and `definition` (its statement read after
// ALTER TABLE) describe it: the six statements, the AUTOINCREMENT counter put
// back (`counter`, the table's sqlite_sequence value if it has one), and the
// indexes and triggers (`objects`, in order) that name no deleted column made
// again. False with `error` when the definition does not fit the state or a type
// cannot be read.
bool copy_steps(const ChangePlan& plan,
                const TableState& state,
                const TableSql& definition,
                const std::vector<SchemaObject>& objects,
                const std::optional<std::string>& counter,
                std::vector<RebuildStep>& steps,
                StructureError& error);

// The six statements of the copy in their order (UTF-8), step 4 being the
// creation of the new table from `create_sql`. `columns` are the names of the
// copied columns, which the table bears before and after; `rowid_name` (empty
// for a table without row ids) carries the row ids across.
std::vector<std::string> rebuild_statements(const std::string& table_name,
                                            const std::vector<std::string>& columns,
                                            const std::string& rowid_name,
                                            const std::string& create_sql);

// What the plan loses, one text per object (UTF-8) for the user to confirm: the
// indexes and triggers among `objects` and the constraints of the definition
// that name a deleted column, and the views among `views` that name one.
std::vector<std::string> objects_lost(const ChangePlan& plan,
                                      const TableSql& definition,
                                      const std::vector<SchemaObject>& objects,
                                      const std::vector<SchemaObject>& views);
