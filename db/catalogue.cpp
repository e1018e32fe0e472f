#include "db/catalogue.h"

#include "db/result_table.h"
#include "db/text_convert.h"

bool read_table_names(sqlite3* db, std::vector<std::string>& names) {
    names.clear();
    ResultTable result;
    // Plain ASCII: no conversion needed.
    if (!result.run(db, kTableListSql)) {
        return false;
    }
    names.reserve(static_cast<std::size_t>(result.rows()));
    for (int row = 0; row < result.rows(); ++row) {
        const char* name = result.value(row, 0);
        names.push_back(name ? to_ansi(name) : std::string());
    }
    return true;
}

bool read_column_info(sqlite3* db, const std::string& table, std::vector<ColumnInfo>& columns) {
    columns.clear();
    ResultTable result;
    if (!result.run_ansi(db, table_info_sql(table)) || result.rows() == 0 || result.columns() < 6) {
        return false;
    }
    columns.reserve(static_cast<std::size_t>(result.rows()));
    for (int row = 0; row < result.rows(); ++row) {
        const char* name = result.value(row, 1);
        const char* type = result.value(row, 2);
        const char* pk = result.value(row, 5);
        ColumnInfo column;
        column.name = name ? to_ansi(name) : std::string();
        column.type = type ? to_ansi(type) : std::string();
        column.primary_key = pk && parse_rowid(pk) != 0;
        columns.push_back(std::move(column));
    }
    return true;
}

std::int64_t count_table_rows(sqlite3* db, const std::string& table) {
    ResultTable result;
    if (!result.run_ansi(db, count_sql(table)) || result.rows() == 0 || result.columns() < 1) {
        return 0;
    }
    return parse_rowid(result.value(result.rows() - 1, 0));
}
