#include "structure/table_rebuild.h"

#include <algorithm>
#include <cstring>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "db/sql_text.h"
#include "db/text_convert.h"
#include "structure/table_sql.h"

namespace {

constexpr const char kTempTableName[] = "TEMP_TABLE";
constexpr const char kSavepointSql[] = "SAVEPOINT table_rebuild;";
constexpr const char kReleaseSql[] = "RELEASE table_rebuild;";
constexpr const char kRollbackToSql[] = "ROLLBACK TO table_rebuild; RELEASE table_rebuild;";
constexpr const char kRollbackSql[] = "ROLLBACK;";
constexpr const char kIndexLabel[] = "インデックス ";
constexpr const char kTriggerLabel[] = "トリガー ";
constexpr const char kConstraintLabel[] = "制約 ";
constexpr const char kViewLabel[] = "ビュー ";
constexpr const char kDroppedNote[] = "（削除されます）";
constexpr const char kBrokenNote[] = "（使えなくなります）";

const char* const kStepFailureTexts[kRebuildStepCount] = {
    kTempTableCreateFailedText, kTempTableCopyFailedText, kTableDropFailedText,
    kCreateTableFailedText,     kTableCopyFailedText,     kTempTableDropFailedText};

constexpr std::size_t kCopyBackStep = 4;

// A table of the database by name. SQLite looks unqualified names up among the
// temporary tables first, so while TEMP_TABLE exists a table of that name must be
// named with its schema, or the copies would read and write TEMP_TABLE itself.
std::string table_reference(const std::string& name) {
    if (equals_ignoring_ascii_case(name, kTempTableName)) {
        return "main." + quote_identifier(name);
    }
    return quote_identifier(name);
}

bool pragma_is_on(sqlite3* db, const char* pragma) {
    ResultTable result;
    return result.run(db, std::string("PRAGMA ") + pragma + ";") && result.rows() > 0 &&
           result.columns() > 0 && result.value(0, 0) && std::strcmp(result.value(0, 0), "1") == 0;
}

int exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

bool fail(StructureError& error, const char* text, sqlite3* db, int step = 0) {
    error = {sql_error_text(text, db), kSqlErrorCaption, step};
    return false;
}

bool refuse(StructureError& error, const char* text) {
    error = {text, kStructureErrorCaption, 0};
    return false;
}

// What the list asks of each column of the table as it stands.
struct KeptColumn {
    std::size_t original = 0;
    std::string name;  // UTF-8
    bool retype = false;
    std::string type;  // ANSI, as the user left it
};

struct ChangePlan {
    std::string table;      // UTF-8
    std::string new_table;  // UTF-8
    std::vector<TableColumn> columns;
    std::vector<std::string> names;  // UTF-8, in table order
    std::vector<KeptColumn> kept;    // in list order
    std::vector<std::size_t> deleted;
};

bool read_table_sql(sqlite3* db, const std::string& table, TableSql& parsed) {
    ResultTable result;
    return result.run(db, "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = " +
                              quote_value(table) + ";") &&
           result.rows() == 1 && result.value(0, 0) &&
           parse_create_table(result.value(0, 0), parsed);
}

bool plan_change(sqlite3* db,
                 const std::string& table_name,
                 const std::vector<ColumnDef>& columns,
                 const std::string& new_name,
                 ChangePlan& plan,
                 StructureError& error) {
    plan.table = table_name;
    // The name field shows the table's name with substitutes where the code page
    // lacks a character; while it still shows just that, the name is kept.
    if (new_name == to_ansi(table_name)) {
        plan.new_table = table_name;
    } else if (!convert_whole(new_name, true, plan.new_table)) {
        return refuse(error, kUnreadableTableText);
    }
    TableSql parsed;
    if (!read_table_columns(db, table_name, plan.columns) ||
        !read_table_sql(db, plan.table, parsed) || parsed.columns.size() != plan.columns.size()) {
        return refuse(error, kUnreadableTableText);
    }
    for (const ColumnSql& column : parsed.columns) {
        plan.names.push_back(column.name);
    }
    std::vector<bool> used(plan.columns.size(), false);
    for (const ColumnDef& column : columns) {
        // Without its exact name, a name the code page cannot hold comes back as
        // another name: it then finds no column, rather than a wrong one.
        std::string source = column.exact_source_name;
        if (source.empty()) {
            convert_whole(column.source_name, true, source);
        }
        std::size_t original = 0;
        while (original < plan.columns.size() &&
               (used[original] || plan.columns[original].column.exact_source_name != source ||
                plan.names[original] != source)) {
            ++original;
        }
        if (original == plan.columns.size()) {
            return refuse(error, kUnknownColumnText);
        }
        used[original] = true;
        KeptColumn kept;
        kept.original = original;
        kept.type = column.type;
        kept.retype = column.type != plan.columns[original].column.type;
        // A name left as it was shown keeps its exact form.
        if (column.name == column.source_name) {
            kept.name = source;
        } else if (!convert_whole(column.name, true, kept.name)) {
            return refuse(error, kUnknownColumnText);
        }
        plan.kept.push_back(std::move(kept));
    }
    for (std::size_t original = 0; original < used.size(); ++original) {
        if (!used[original]) {
            plan.deleted.push_back(original);
        }
    }
    return true;
}

// The part of an index's or trigger's statement after its own name, which may
// well be the name of a column.
std::string_view after_object_name(std::string_view sql) {
    const std::vector<SqlToken> tokens = sql_tokens(sql);
    std::size_t at = 0;
    auto word = [&](std::size_t index, const char* text) {
        return index < tokens.size() && tokens[index].kind == SqlToken::kWord &&
               equals_ignoring_ascii_case(
                   sql.substr(tokens[index].begin, tokens[index].end - tokens[index].begin), text);
    };
    while (at < tokens.size() && !word(at, "INDEX") && !word(at, "TRIGGER")) {
        ++at;
    }
    ++at;
    if (word(at, "IF")) {
        at += 3;
    }
    if (at + 1 < tokens.size() && sql[tokens[at + 1].begin] == '.') {
        at += 2;
    }
    return at < tokens.size() ? sql.substr(tokens[at].end) : std::string_view();
}

struct SchemaObject {
    std::string type;
    std::string name;
    std::string sql;
};

// The indexes and triggers of a table that were written (not made for its
// constraints), in the order they were made.
bool table_objects(sqlite3* db, const std::string& table, std::vector<SchemaObject>& objects) {
    ResultTable result;
    if (!result.run(db, "SELECT type, name, sql FROM main.sqlite_master WHERE tbl_name = " +
                            quote_value(table) +
                            " COLLATE NOCASE AND type IN ('index', 'trigger') AND sql IS NOT "
                            "NULL ORDER BY rowid;")) {
        return false;
    }
    for (int row = 0; row < result.rows(); ++row) {
        objects.push_back({result.value(row, 0), result.value(row, 1), result.value(row, 2)});
    }
    return true;
}

bool names_deleted(const SchemaObject& object, const std::vector<std::string>& deleted) {
    return sql_names_any(after_object_name(object.sql), deleted);
}

std::vector<std::size_t> constraints_naming(const TableSql& table,
                                            const std::vector<std::string>& deleted) {
    std::vector<std::size_t> naming;
    for (std::size_t index = 0; index < table.constraints.size(); ++index) {
        const TableConstraintSql& constraint = table.constraints[index];
        if (sql_names_any(std::string_view(table.sql).substr(constraint.begin,
                                                             constraint.end - constraint.begin),
                          deleted)) {
            naming.push_back(index);
        }
    }
    return naming;
}

// Row count of the foreign key check, or -1 when the check itself fails (a key
// that refers to columns with no unique index over them).
long foreign_key_problems(sqlite3* db, std::string* tables = nullptr) {
    ResultTable result;
    if (!result.run(db, "PRAGMA main.foreign_key_check;")) {
        return -1;
    }
    if (tables) {
        for (int row = 0; row < result.rows(); ++row) {
            const std::string table = result.value(row, 0) ? result.value(row, 0) : "";
            if (tables->find(table) == std::string::npos) {
                *tables += (tables->empty() ? "" : ", ") + table;
            }
        }
    }
    return result.rows();
}

bool ends_with_primary_key(std::string& type) {
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) {
        type.pop_back();
    }
    const std::string_view suffix = std::string_view(kPrimaryKeySuffix).substr(1);
    if (type.size() < suffix.size() ||
        !equals_ignoring_ascii_case(std::string_view(type).substr(type.size() - suffix.size()),
                                    suffix)) {
        return false;
    }
    type.resize(type.size() - suffix.size());
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) {
        type.pop_back();
    }
    return true;
}

bool has_rowid(const TableSql& table) {
    for (const SqlToken& token : sql_tokens(std::string_view(table.sql).substr(table.list_end))) {
        if (token.kind == SqlToken::kWord &&
            equals_ignoring_ascii_case(std::string_view(table.sql).substr(
                                           table.list_end + token.begin, token.end - token.begin),
                                       "WITHOUT")) {
            return false;
        }
    }
    return true;
}

// The table as the change finds it after ALTER TABLE: its present name, and for
// each of its columns (in table order) the column it was and its present name.
struct TableState {
    std::string table;
    std::vector<std::size_t> originals;
    std::vector<std::string> names;
};

bool is_deleted(const ChangePlan& plan, std::size_t original) {
    return std::find(plan.deleted.begin(), plan.deleted.end(), original) != plan.deleted.end();
}

std::string unused_name(const std::vector<std::string>& names, const char* stem) {
    for (int number = 1;; ++number) {
        const std::string name = stem + std::to_string(number);
        if (std::none_of(names.begin(), names.end(), [&](const std::string& taken) {
                return equals_ignoring_ascii_case(taken, name);
            })) {
            return name;
        }
    }
}

bool rename_column(sqlite3* db,
                   TableState& state,
                   std::size_t at,
                   const std::string& name,
                   StructureError& error) {
    if (exec(db, "ALTER TABLE main." + quote_identifier(state.table) + " RENAME COLUMN " +
                     quote_identifier(state.names[at]) + " TO " + quote_identifier(name) + ";") !=
        SQLITE_OK) {
        return fail(error, kRenameFailedText, db);
    }
    state.names[at] = name;
    return true;
}

bool rename_table(sqlite3* db, TableState& state, const std::string& name, StructureError& error) {
    if (exec(db, "ALTER TABLE main." + quote_identifier(state.table) + " RENAME TO " +
                     quote_identifier(name) + ";") != SQLITE_OK) {
        return fail(error, kRenameFailedText, db);
    }
    state.table = name;
    return true;
}

// What ALTER TABLE can do: removing columns nothing depends on (when no type
// changes, which needs the copy anyway), new column names, the new table name.
bool alter_table(sqlite3* db,
                 const ChangePlan& plan,
                 bool retype,
                 TableState& state,
                 StructureError& error) {
    if (!retype && !plan.kept.empty()) {
        for (std::size_t original : plan.deleted) {
            const auto at = std::find(state.originals.begin(), state.originals.end(), original);
            // A column that something depends on is refused, and left to the copy.
            if (exec(db, "ALTER TABLE main." + quote_identifier(state.table) + " DROP COLUMN " +
                             quote_identifier(plan.names[original]) + ";") == SQLITE_OK) {
                state.names.erase(state.names.begin() + (at - state.originals.begin()));
                state.originals.erase(at);
            }
        }
    }

    std::vector<std::pair<std::size_t, std::string>> renames;
    for (const KeptColumn& kept : plan.kept) {
        if (kept.name != plan.names[kept.original]) {
            const std::size_t at = static_cast<std::size_t>(
                std::find(state.originals.begin(), state.originals.end(), kept.original) -
                state.originals.begin());
            renames.push_back({at, kept.name});
        }
    }
    // Names that change places (a to b and b to a, or a new name taken from a
    // deleted column) go through names of their own first.
    bool crossing = false;
    for (const auto& [at, name] : renames) {
        for (std::size_t other = 0; other < state.names.size(); ++other) {
            crossing =
                crossing || (other != at && equals_ignoring_ascii_case(state.names[other], name));
        }
    }
    if (crossing) {
        for (std::size_t at = 0; at < state.names.size(); ++at) {
            const bool renamed =
                std::any_of(renames.begin(), renames.end(),
                            [&](const auto& rename) { return rename.first == at; });
            if (renamed || is_deleted(plan, state.originals[at])) {
                std::vector<std::string> taken = state.names;
                for (const auto& rename : renames) {
                    taken.push_back(rename.second);
                }
                if (!rename_column(db, state, at, unused_name(taken, "column_"), error)) {
                    return false;
                }
            }
        }
    }
    for (const auto& [at, name] : renames) {
        if (!rename_column(db, state, at, name, error)) {
            return false;
        }
    }

    if (plan.new_table != state.table) {
        // A name that differs only in case is taken by the table itself.
        if (equals_ignoring_ascii_case(plan.new_table, state.table)) {
            ResultTable tables;
            std::vector<std::string> taken;
            if (tables.run(db, "SELECT name FROM main.sqlite_master;")) {
                for (int row = 0; row < tables.rows(); ++row) {
                    taken.push_back(tables.value(row, 0) ? tables.value(row, 0) : "");
                }
            }
            if (!rename_table(db, state, unused_name(taken, "table_"), error)) {
                return false;
            }
        }
        if (!rename_table(db, state, plan.new_table, error)) {
            return false;
        }
    }
    return true;
}

// The table created anew from its own definition, the kept columns' rows copied
// through TEMP_TABLE with their row ids, and its indexes and triggers made again.
bool copy_table(sqlite3* db,
                const ChangePlan& plan,
                const TableState& state,
                StructureError& error) {
    TableSql table;
    if (!read_table_sql(db, state.table, table) || table.columns.size() != state.originals.size()) {
        return refuse(error, kUnreadableTableText);
    }
    std::vector<std::string> deleted;
    for (std::size_t at = 0; at < state.originals.size(); ++at) {
        if (is_deleted(plan, state.originals[at])) {
            deleted.push_back(state.names[at]);
        }
    }

    std::vector<ColumnEdit> edits;
    std::vector<std::string> copied;
    for (const KeptColumn& kept : plan.kept) {
        ColumnEdit edit;
        edit.column = static_cast<std::size_t>(
            std::find(state.originals.begin(), state.originals.end(), kept.original) -
            state.originals.begin());
        if (kept.retype) {
            std::string type = kept.type;
            if (plan.columns[kept.original].rowid_key) {
                // The key is part of the type shown; the definition holds it already.
                edit.drop_primary_key = !ends_with_primary_key(type);
            }
            edit.retype = true;
            if (!convert_whole(type, true, edit.type)) {
                return refuse(error, kUnknownColumnText);
            }
        }
        edits.push_back(edit);
        if (!plan.columns[kept.original].generated) {
            copied.push_back(state.names[edit.column]);
        }
    }
    const std::string create_sql =
        edited_create_table(table, edits, constraints_naming(table, deleted));

    std::string rowid;
    if (has_rowid(table)) {
        rowid = std::string(rowid_name_for(state.names));
        if (std::any_of(state.names.begin(), state.names.end(), [&](const std::string& name) {
                return equals_ignoring_ascii_case(name, rowid);
            })) {
            rowid.clear();
        }
    }

    std::vector<SchemaObject> objects;
    if (!table_objects(db, state.table, objects)) {
        return fail(error, kRestoreFailedText, db);
    }
    // Dropping the table takes its counter of AUTOINCREMENT along.
    ResultTable sequence;
    const bool counted = sequence.run(db, "SELECT seq FROM main.sqlite_sequence WHERE name = " +
                                              quote_value(state.table) + ";") &&
                         sequence.rows() == 1 && sequence.value(0, 0);
    const std::string counter = counted ? sequence.value(0, 0) : "";

    const std::vector<std::string> statements =
        rebuild_statements(state.table, copied, rowid, create_sql);
    for (std::size_t index = 0; index < statements.size(); ++index) {
        if (exec(db, statements[index]) != SQLITE_OK) {
            return fail(error, kStepFailureTexts[index], db, static_cast<int>(index) + 1);
        }
        if (index == kCopyBackStep && counted && sql_names_any(create_sql, {"AUTOINCREMENT"}) &&
            exec(db, "DELETE FROM main.sqlite_sequence WHERE name = " + quote_value(state.table) +
                         "; INSERT INTO main.sqlite_sequence(name, seq) VALUES (" +
                         quote_value(state.table) + ", " + quote_value(counter) + ");") !=
                SQLITE_OK) {
            return fail(error, kTableCopyFailedText, db, static_cast<int>(index) + 1);
        }
    }
    for (const SchemaObject& object : objects) {
        if (!names_deleted(object, deleted) && exec(db, object.sql) != SQLITE_OK) {
            return fail(error, kRestoreFailedText, db);
        }
    }
    return true;
}

bool change_table(sqlite3* db, const ChangePlan& plan, StructureError& error) {
    const long problems_before = foreign_key_problems(db);

    TableState state;
    state.table = plan.table;
    state.names = plan.names;
    for (std::size_t original = 0; original < plan.names.size(); ++original) {
        state.originals.push_back(original);
    }
    const bool retype = std::any_of(plan.kept.begin(), plan.kept.end(),
                                    [](const KeptColumn& kept) { return kept.retype; });
    if (!alter_table(db, plan, retype, state, error)) {
        return false;
    }
    const bool deleting =
        std::any_of(state.originals.begin(), state.originals.end(),
                    [&](std::size_t original) { return is_deleted(plan, original); });
    if ((retype || deleting || plan.kept.empty()) && !copy_table(db, plan, state, error)) {
        return false;
    }

    std::string tables;
    const long problems_after = foreign_key_problems(db, &tables);
    if (problems_after < 0 && problems_before >= 0) {
        return fail(error, kForeignKeyBrokenText, db);
    }
    if (problems_after > problems_before && problems_before >= 0) {
        error = {std::string(kForeignKeyBrokenText) + "\n" + to_ansi(tables), kSqlErrorCaption, 0};
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> rebuild_statements(const std::string& table_name,
                                            const std::vector<std::string>& columns,
                                            const std::string& rowid_name,
                                            const std::string& create_sql) {
    std::string list = rowid_name;
    for (const std::string& column : columns) {
        if (!list.empty()) {
            list += ", ";
        }
        list += quote_identifier(column);
    }
    std::string temp_list;
    for (const std::string& column : columns) {
        temp_list += (temp_list.empty() ? "" : ", ") + quote_identifier(column);
    }
    const std::string table = table_reference(table_name);
    return {
        "CREATE TEMPORARY TABLE TEMP_TABLE(" + temp_list + ");",
        "INSERT INTO TEMP_TABLE(" + list + ") SELECT " + list + " FROM " + table + ";",
        "DROP TABLE " + table + ";",
        create_sql,
        "INSERT INTO " + table + "(" + list + ") SELECT " + list + " FROM TEMP_TABLE;",
        "DROP TABLE TEMP_TABLE;",
    };
}

std::vector<std::string> objects_lost_by_change(sqlite3* db,
                                                const std::string& table_name,
                                                const std::vector<ColumnDef>& columns) {
    std::vector<std::string> lost;
    ChangePlan plan;
    StructureError error;
    TableSql table;
    if (!plan_change(db, table_name, columns, to_ansi(table_name), plan, error) ||
        plan.deleted.empty() || !read_table_sql(db, plan.table, table)) {
        return lost;
    }
    std::vector<std::string> deleted;
    for (std::size_t original : plan.deleted) {
        deleted.push_back(plan.names[original]);
    }
    std::vector<SchemaObject> objects;
    table_objects(db, plan.table, objects);
    for (const SchemaObject& object : objects) {
        if (names_deleted(object, deleted)) {
            lost.push_back((object.type == "index" ? kIndexLabel : kTriggerLabel) +
                           to_ansi(object.name) + kDroppedNote);
        }
    }
    for (std::size_t index : constraints_naming(table, deleted)) {
        const TableConstraintSql& constraint = table.constraints[index];
        lost.push_back(
            kConstraintLabel +
            to_ansi(table.sql.substr(constraint.begin, constraint.end - constraint.begin)) +
            kDroppedNote);
    }
    ResultTable views;
    if (views.run(db,
                  "SELECT name, sql FROM main.sqlite_master WHERE type = 'view' ORDER BY name;")) {
        for (int row = 0; row < views.rows(); ++row) {
            const char* sql = views.value(row, 1);
            if (sql && sql_names_any(sql, {plan.table}) && sql_names_any(sql, deleted)) {
                lost.push_back(kViewLabel + to_ansi(views.value(row, 0)) + kBrokenNote);
            }
        }
    }
    return lost;
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
    if (new_name.empty()) {
        error = {kNoTableNameText, kStructureErrorCaption, 4};
        return false;
    }
    ChangePlan plan;
    if (!plan_change(db, table_name, columns, new_name, plan, error)) {
        return false;
    }

    // With enforcement on, dropping the old table would delete (or refuse to
    // delete) the rows of tables that refer to it. It cannot be switched inside a
    // transaction, so it is switched before the savepoint opens.
    const bool foreign_keys = pragma_is_on(db, "foreign_keys");
    if (foreign_keys) {
        exec(db, "PRAGMA foreign_keys = OFF;");
    }
    // A quoted name that matches no column would otherwise be read as a string
    // and copied into every row in place of the column's values.
    int strings_in_double_quotes = 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, -1, &strings_in_double_quotes);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    // Where the user turned the old ALTER TABLE on, new names would not reach the
    // triggers and views that use them.
    const bool legacy_alter = pragma_is_on(db, "legacy_alter_table");
    if (legacy_alter) {
        exec(db, "PRAGMA legacy_alter_table = OFF;");
    }
    // Inside a transaction the user opened in the SQL editor the savepoint nests;
    // otherwise it is the transaction, and undoing it ends it.
    const bool own_transaction = sqlite3_get_autocommit(db) != 0;

    bool ok = exec(db, kSavepointSql) == SQLITE_OK;
    const bool savepoint_open = ok;
    if (!ok) {
        fail(error, kStepFailureTexts[0], db, 1);
    }
    ok = ok && change_table(db, plan, error);
    if (ok && exec(db, kReleaseSql) != SQLITE_OK) {
        ok = fail(error, kRebuildCommitFailedText, db);
    }
    // The message was read above: undoing overwrites the database's last error.
    if (!ok && savepoint_open) {
        exec(db, own_transaction ? kRollbackSql : kRollbackToSql);
    }

    if (legacy_alter) {
        exec(db, "PRAGMA legacy_alter_table = ON;");
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, strings_in_double_quotes, nullptr);
    if (foreign_keys) {
        exec(db, "PRAGMA foreign_keys = ON;");
    }
    return ok;
}
