#include "structure/table_definition.h"

#include "db/result_table.h"
#include "db/sql_error.h"
#include "db/sql_text.h"
#include "db/table_shape.h"
#include "db/text_convert.h"

namespace {

constexpr const char kSeveralStatementsText[] =
    "カラムの型に別の SQL 文が含まれているため実行しませんでした。";

}  // namespace

std::string default_column_name(std::size_t count) {
    std::string digits = std::to_string(count);
    if (digits.size() < 2) {
        digits.insert(0, 1, '0');
    }
    return "column" + digits;
}

std::string create_table_sql(const std::string& table_name, const std::vector<ColumnDef>& columns) {
    std::string sql = "create table " + quote_identifier(table_name) + " (";
    bool first = true;
    for (const ColumnDef& column : columns) {
        if (!first) {
            sql += ", ";
        }
        first = false;
        sql += quote_identifier(column.name);
        sql += ' ';
        sql += column.type;
    }
    sql += ");";
    return sql;
}

bool read_table_columns(sqlite3* db,
                        const std::string& table_name,
                        std::vector<TableColumn>& columns) {
    // Hidden columns of virtual tables (hidden = 1) are no columns one can edit.
    // The row ids have a column of their own only where the table has a single
    // INTEGER key and no index for it (the key of a table without row ids, or one
    // declared DESC, has such an index).
    const std::string table = quote_value(table_name);
    ResultTable result;
    if (!result.run(db,
                    "SELECT name, type, pk, hidden, (SELECT COUNT(*) FROM "
                    "pragma_index_list(" +
                        table +
                        ") WHERE origin = 'pk') FROM "
                        "pragma_table_xinfo(" +
                        table +
                        ") WHERE hidden IN (0, 2, 3) "
                        "ORDER BY cid;")) {
        return false;
    }
    std::vector<TableColumn> loaded;
    loaded.reserve(static_cast<std::size_t>(result.rows()));
    int key_columns = 0;
    int key_row = -1;
    for (int row = 0; row < result.rows(); ++row) {
        const char* name = result.value(row, 0);
        const char* type = result.value(row, 1);
        const char* pk = result.value(row, 2);
        const char* hidden = result.value(row, 3);
        TableColumn column;
        column.column.source_name = name ? name : "";
        column.column.name = column.column.source_name;
        column.column.type = type ? type : "";
        column.generated = hidden && hidden[0] != '0';
        if (pk && pk[0] != '0') {
            ++key_columns;
            key_row = row;
        }
        loaded.push_back(std::move(column));
    }
    const char* key_index = result.rows() > 0 ? result.value(0, 4) : nullptr;
    if (key_row >= 0 &&
        key_is_rowid_alias(loaded[static_cast<std::size_t>(key_row)].column.type, key_columns,
                           !key_index || std::string(key_index) != "0")) {
        TableColumn& key = loaded[static_cast<std::size_t>(key_row)];
        key.rowid_key = true;
        key.column.type += kPrimaryKeySuffix;
    }
    columns = std::move(loaded);
    return true;
}

bool load_table_columns(sqlite3* db,
                        const std::string& table_name,
                        std::vector<ColumnDef>& columns) {
    std::vector<TableColumn> read;
    if (!read_table_columns(db, table_name, read)) {
        return false;
    }
    columns.clear();
    for (TableColumn& column : read) {
        columns.push_back(std::move(column.column));
    }
    return true;
}

bool create_table(sqlite3* db,
                  const std::string& table_name,
                  const std::vector<ColumnDef>& columns,
                  StructureError& error) {
    if (table_name.empty()) {
        error = {to_utf8(kNoTableNameText), kStructureErrorCaption, 0};
        return false;
    }
    if (columns.empty()) {
        error = {to_utf8(kNoColumnsText), kStructureErrorCaption, 0};
        return false;
    }
    // Types go in as typed; a type that closes the definition must not get a
    // statement of its own run after it.
    bool more = false;
    if (exec_single_utf8(db, create_table_sql(table_name, columns), more) != SQLITE_OK) {
        error = {more ? to_utf8(std::string(kCreateTableFailedText) + "\n" + kSeveralStatementsText)
                      : sql_error_text(kCreateTableFailedText, db),
                 kSqlErrorCaption, 0};
        return false;
    }
    return true;
}
