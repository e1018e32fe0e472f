#include "structure/table_definition.h"

#include "db/result_table.h"
#include "db/sql_error.h"
#include "db/sql_text.h"
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

bool load_table_columns(sqlite3* db,
                        const std::string& table_name,
                        std::vector<ColumnDef>& columns) {
    ResultTable result;
    if (!result.run_ansi(db, "PRAGMA TABLE_INFO (" + quote_identifier(table_name) + ");")) {
        return false;
    }
    if (result.rows() > 0 && result.columns() < 3) {
        return false;
    }
    std::vector<ColumnDef> loaded;
    loaded.reserve(static_cast<std::size_t>(result.rows()));
    for (int row = 0; row < result.rows(); ++row) {
        const char* name = result.value(row, 1);
        const char* type = result.value(row, 2);
        ColumnDef column;
        column.source_name = name ? to_ansi(name) : std::string();
        column.name = column.source_name;
        column.type = type ? to_ansi(type) : std::string();
        loaded.push_back(std::move(column));
    }
    columns = std::move(loaded);
    return true;
}

bool create_table(sqlite3* db,
                  const std::string& table_name,
                  const std::vector<ColumnDef>& columns,
                  StructureError& error) {
    if (table_name.empty()) {
        error = {kNoTableNameText, kInputErrorCaption, 0};
        return false;
    }
    if (columns.empty()) {
        error = {kNoColumnsText, kInputErrorCaption, 0};
        return false;
    }
    // Types go in as typed; a type that closes the definition must not get a
    // statement of its own run after it.
    bool more = false;
    if (exec_single_ansi(db, create_table_sql(table_name, columns), more) != SQLITE_OK) {
        error = {more ? std::string(kCreateTableFailedText) + "\n" + kSeveralStatementsText
                      : sql_error_text(kCreateTableFailedText, db),
                 kSqlErrorCaption, 0};
        return false;
    }
    return true;
}
