#include "grid/grid_statements.h"

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

std::string update_cell_sql(std::string_view table,
                            std::string_view column,
                            std::string_view value,
                            RowId rowid,
                            std::string_view rowid_name) {
    return "UPDATE " + quote_identifier(table) + " SET " + quote_identifier(column) + "=" +
           quote_value(value) + " WHERE " + std::string(rowid_name) + " = " +
           std::to_string(rowid) + ";";
}

std::string insert_record_sql(std::string_view table,
                              const std::vector<std::string>& columns,
                              int edited_column,
                              std::string_view value,
                              int alias_column) {
    return insert_record_literal_sql(table, columns, edited_column, quote_value(value),
                                     alias_column);
}

std::string insert_record_literal_sql(std::string_view table,
                                      const std::vector<std::string>& columns,
                                      int edited_column,
                                      std::string_view literal,
                                      int alias_column) {
    std::string names;
    std::string values;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        if (i > 0) {
            names += ", ";
            values += ", ";
        }
        names += quote_identifier(columns[i]);
        if (column == edited_column) {
            values += literal;
        } else if (column == alias_column) {
            values += "NULL";
        } else {
            values += "''";
        }
    }
    return "INSERT INTO " + quote_identifier(table) + " (" + names + ") VALUES (" + values + ");";
}

std::string delete_record_sql(std::string_view table, RowId rowid, std::string_view rowid_name) {
    return "DELETE FROM " + quote_identifier(table) + " WHERE " + std::string(rowid_name) + "=" +
           std::to_string(rowid) + ";";
}

std::string select_value_sql(std::string_view table,
                             std::string_view column,
                             RowId rowid,
                             std::string_view rowid_name) {
    return "SELECT " + quote_identifier(column) + " from " + quote_identifier(table) + " where " +
           std::string(rowid_name) + " = " + std::to_string(rowid) + ";";
}
