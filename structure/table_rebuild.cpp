#include "structure/table_rebuild.h"

#include <cstring>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "db/sql_text.h"

namespace {

constexpr const char kTempTableName[] = "TEMP_TABLE";
constexpr const char kSavepointSql[] = "SAVEPOINT table_rebuild;";
constexpr const char kReleaseSql[] = "RELEASE table_rebuild;";
constexpr const char kRollbackToSql[] = "ROLLBACK TO table_rebuild; RELEASE table_rebuild;";
constexpr const char kRollbackSql[] = "ROLLBACK;";

// The failure texts of the steps; step 4 (creation) reports for itself.
const char* const kStepFailureTexts[kRebuildStepCount] = {
    kTempTableCreateFailedText, kTempTableCopyFailedText, kTableDropFailedText, nullptr,
    kTableCopyFailedText,       kTempTableDropFailedText};

constexpr int kCreateStepIndex = 3;

// A table of the database by name. SQLite looks unqualified names up among the
// temporary tables first, so while TEMP_TABLE exists a table of that name must be
// named with its schema, or the copies would read and write TEMP_TABLE itself.
std::string table_reference(const std::string& name) {
    if (equals_ignoring_ascii_case(name, kTempTableName)) {
        return "main." + quote_identifier(name);
    }
    return quote_identifier(name);
}

std::string joined(const std::vector<ColumnDef>& columns, std::string ColumnDef::*field) {
    std::string list;
    for (const ColumnDef& column : columns) {
        if (!list.empty()) {
            list += ", ";
        }
        list += quote_identifier(column.*field);
    }
    return list;
}

bool foreign_keys_enforced(sqlite3* db) {
    ResultTable result;
    return result.run(db, "PRAGMA foreign_keys;") && result.rows() > 0 && result.columns() > 0 &&
           result.value(0, 0) && std::strcmp(result.value(0, 0), "1") == 0;
}

int exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

}  // namespace

std::string source_list(const std::vector<ColumnDef>& columns) {
    return joined(columns, &ColumnDef::source_name);
}

std::string target_list(const std::vector<ColumnDef>& columns) {
    return joined(columns, &ColumnDef::name);
}

std::vector<std::string> rebuild_statements(const std::string& table_name,
                                            const std::vector<ColumnDef>& columns,
                                            const std::string& new_name) {
    const std::string sources = source_list(columns);
    return {
        "CREATE TEMPORARY TABLE TEMP_TABLE(" + sources + ");",
        "INSERT INTO TEMP_TABLE SELECT " + sources + " FROM " + table_reference(table_name) + ";",
        "DROP TABLE " + table_reference(table_name) + ";",
        create_table_sql(new_name, columns),
        "INSERT INTO " + table_reference(new_name) + "(" + target_list(columns) + ") SELECT " +
            sources + " FROM TEMP_TABLE;",
        "DROP TABLE TEMP_TABLE;",
    };
}

bool rebuild_table(sqlite3* db,
                   const std::string& table_name,
                   const std::vector<ColumnDef>& columns,
                   const std::string& new_name,
                   StructureError& error) {
    if (!db) {
        error = {sql_error_text(kStepFailureTexts[0], nullptr), kSqlErrorCaption, 1};
        return false;
    }
    const std::vector<std::string> statements = rebuild_statements(table_name, columns, new_name);

    // With enforcement on, dropping the old table would delete (or refuse to
    // delete) the rows of tables that refer to it. It cannot be switched inside a
    // transaction, so it is switched before the savepoint opens.
    const bool foreign_keys = foreign_keys_enforced(db);
    if (foreign_keys) {
        exec(db, "PRAGMA foreign_keys = OFF;");
    }
    // A quoted name that matches no column would otherwise be read as a string
    // and copied into every row in place of the column's values.
    int strings_in_double_quotes = 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, -1, &strings_in_double_quotes);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    // Inside a transaction the user opened in the SQL editor the savepoint nests;
    // otherwise it is the transaction, and undoing it ends it.
    const bool own_transaction = sqlite3_get_autocommit(db) != 0;

    bool ok = exec(db, kSavepointSql) == SQLITE_OK;
    const bool savepoint_open = ok;
    if (!ok) {
        error = {sql_error_text(kStepFailureTexts[0], db), kSqlErrorCaption, 1};
    }
    for (int index = 0; ok && index < kRebuildStepCount; ++index) {
        if (index == kCreateStepIndex) {
            ok = create_table(db, new_name, columns, error);
            if (!ok) {
                error.step = index + 1;
            }
        } else if (exec_ansi(db, statements[static_cast<std::size_t>(index)]) != SQLITE_OK) {
            error = {sql_error_text(kStepFailureTexts[index], db), kSqlErrorCaption, index + 1};
            ok = false;
        }
    }
    if (ok && exec(db, kReleaseSql) != SQLITE_OK) {
        error = {sql_error_text(kRebuildCommitFailedText, db), kSqlErrorCaption, 0};
        ok = false;
    }
    // The message was read above: undoing overwrites the database's last error.
    if (!ok && savepoint_open) {
        exec(db, own_transaction ? kRollbackSql : kRollbackToSql);
    }

    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, strings_in_double_quotes, nullptr);
    if (foreign_keys) {
        exec(db, "PRAGMA foreign_keys = ON;");
    }
    return ok;
}
