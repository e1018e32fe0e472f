#include "structure/table_rebuild.h"

#include "db/sql_error.h"
#include "db/text_convert.h"
#include "structure/connection_settings.h"
#include "structure/table_schema.h"

namespace {

constexpr const char kSavepointSql[] = "SAVEPOINT table_rebuild;";
constexpr const char kReleaseSql[] = "RELEASE table_rebuild;";
constexpr const char kRollbackToSql[] = "ROLLBACK TO table_rebuild; RELEASE table_rebuild;";
constexpr const char kRollbackSql[] = "ROLLBACK;";

int exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

bool fail(StructureError& error, const char* text, sqlite3* db, int step = 0) {
    error = {sql_error_text(text, db), kSqlErrorCaption, step};
    return false;
}

bool refuse(StructureError& error, const char* text) {
    error = {to_utf8(text), kStructureErrorCaption, 0};
    return false;
}

bool plan_from_database(sqlite3* db,
                        const std::string& table_name,
                        const std::vector<ColumnDef>& columns,
                        const std::string& new_name,
                        ChangePlan& plan,
                        TableSchema& schema,
                        StructureError& error) {
    if (!read_table_schema(db, table_name, schema)) {
        return refuse(error, kUnreadableTableText);
    }
    return plan_change(schema, columns, new_name, plan, error);
}

// The table created anew from its definition as ALTER TABLE left it, the kept
// columns' rows copied through TEMP_TABLE, its indexes and triggers made again.
bool copy_table(sqlite3* db,
                const ChangePlan& plan,
                const TableState& state,
                StructureError& error) {
    TableSql definition;
    if (!read_table_sql(db, state.table, definition)) {
        return refuse(error, kUnreadableTableText);
    }
    std::vector<SchemaObject> objects;
    if (!read_table_objects(db, state.table, objects)) {
        return fail(error, kRestoreFailedText, db);
    }
    std::vector<RebuildStep> steps;
    if (!copy_steps(plan, state, definition, objects, read_sequence(db, state.table), steps,
                    error)) {
        return false;
    }
    for (const RebuildStep& step : steps) {
        if (exec(db, step.sql) != SQLITE_OK) {
            return fail(error, step.failure_text, db, step.step);
        }
    }
    return true;
}

bool change_table(sqlite3* db, const ChangePlan& plan, StructureError& error) {
    const long problems_before = foreign_key_problems(db);

    TableState state(plan);
    for (const ColumnDrop& drop : column_drops(plan, state)) {
        if (exec(db, drop.sql) == SQLITE_OK) {
            state.remove(drop.original);
        }
    }
    for (const AlterStep& step : alter_steps(plan, state)) {
        if (exec(db, step.sql) != SQLITE_OK) {
            return fail(error, kRenameFailedText, db);
        }
        apply(step, state);
    }
    if (needs_copy(plan, state) && !copy_table(db, plan, state, error)) {
        return false;
    }

    std::string tables;
    const long problems_after = foreign_key_problems(db, &tables);
    if (problems_after < 0 && problems_before >= 0) {
        return fail(error, kForeignKeyBrokenText, db);
    }
    if (problems_after > problems_before && problems_before >= 0) {
        error = {to_utf8(kForeignKeyBrokenText) + "\n" + tables, kSqlErrorCaption, 0};
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> objects_lost_by_change(sqlite3* db,
                                                const std::string& table_name,
                                                const std::vector<ColumnDef>& columns) {
    ChangePlan plan;
    TableSchema schema;
    StructureError error;
    if (!plan_from_database(db, table_name, columns, table_name, plan, schema, error) ||
        plan.deleted.empty()) {
        return {};
    }
    std::vector<SchemaObject> objects;
    read_table_objects(db, plan.table, objects);
    return objects_lost(plan, schema.definition, objects, read_views(db));
}

bool rebuild_table(sqlite3* db,
                   const std::string& table_name,
                   const std::vector<ColumnDef>& columns,
                   const std::string& new_name,
                   StructureError& error) {
    if (!db) {
        error = {sql_error_text(kTempTableCreateFailedText, nullptr), kSqlErrorCaption, 1};
        return false;
    }
    if (new_name.empty()) {
        error = {to_utf8(kNoTableNameText), kStructureErrorCaption, 4};
        return false;
    }
    ChangePlan plan;
    TableSchema schema;
    if (!plan_from_database(db, table_name, columns, new_name, plan, schema, error)) {
        return false;
    }

    // With enforcement on, dropping the old table would delete (or refuse to
    // delete) the rows of tables that refer to it. It cannot be switched inside a
    // transaction, so it is switched before the savepoint opens.
    const ScopedPragmaOff foreign_keys(db, "foreign_keys");
    // A quoted name that matches no column would otherwise be read as a string:
    // ALTER TABLE would accept a trigger or view that names a deleted column so,
    // and a copy would fill the column with its name.
    const ScopedDbConfigOff strings_in_double_quotes(db, SQLITE_DBCONFIG_DQS_DML);
    // Where the user turned the old ALTER TABLE on, new names would not reach the
    // triggers and views that use them.
    const ScopedPragmaOff legacy_alter(db, "legacy_alter_table");
    // Inside a transaction the user opened in the SQL editor the savepoint nests;
    // otherwise it is the transaction, and undoing it ends it.
    const bool own_transaction = sqlite3_get_autocommit(db) != 0;

    bool ok = exec(db, kSavepointSql) == SQLITE_OK;
    const bool savepoint_open = ok;
    if (!ok) {
        fail(error, kTempTableCreateFailedText, db, 1);
    }
    ok = ok && change_table(db, plan, error);
    if (ok && exec(db, kReleaseSql) != SQLITE_OK) {
        ok = fail(error, kRebuildCommitFailedText, db);
    }
    // The message was read above: undoing overwrites the database's last error.
    if (!ok && savepoint_open) {
        exec(db, own_transaction ? kRollbackSql : kRollbackToSql);
    }
    return ok;
}
