#include "db/catalogue.h"

#include "db/result_table.h"
#include "db/sql_text.h"

int rowid_alias_column(const std::vector<ColumnInfo>& columns) {
    int key_column = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].primary_key) {
            continue;
        }
        if (key_column != 0) {
            // A key of several columns is no alias of rowid.
            return 0;
        }
        key_column = static_cast<int>(i) + 1;
    }
    if (key_column == 0 || !equals_ignoring_ascii_case(columns[key_column - 1].type, "INTEGER")) {
        return 0;
    }
    return key_column;
}

std::int64_t count_table_rows(sqlite3* db, const std::string& table) {
    ResultTable result;
    if (!result.run(db, count_sql(table)) || result.rows() == 0 || result.columns() < 1) {
        return 0;
    }
    return parse_rowid(result.value(result.rows() - 1, 0));
}
