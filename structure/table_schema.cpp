#include "structure/table_schema.h"

#include "db/result_table.h"
#include "db/sql_text.h"

bool read_table_sql(sqlite3* db, const std::string& table, TableSql& parsed) {
    ResultTable result;
    return result.run(db, "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = " +
                              quote_value(table) + ";") &&
           result.rows() == 1 && result.value(0, 0) &&
           parse_create_table(result.value(0, 0), parsed);
}

bool read_table_schema(sqlite3* db, const std::string& table, TableSchema& schema) {
    schema.table = table;
    if (!read_table_columns(db, table, schema.columns) ||
        !read_table_sql(db, table, schema.definition) ||
        schema.definition.columns.size() != schema.columns.size()) {
        return false;
    }
    ResultTable names;
    if (names.run(db, "SELECT name FROM main.sqlite_master;")) {
        for (int row = 0; row < names.rows(); ++row) {
            schema.schema_names.push_back(names.value(row, 0) ? names.value(row, 0) : "");
        }
    }
    return true;
}

bool read_table_objects(sqlite3* db, const std::string& table, std::vector<SchemaObject>& objects) {
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

std::vector<SchemaObject> read_views(sqlite3* db) {
    std::vector<SchemaObject> views;
    ResultTable result;
    if (result.run(db,
                   "SELECT name, sql FROM main.sqlite_master WHERE type = 'view' ORDER BY name;")) {
        for (int row = 0; row < result.rows(); ++row) {
            if (result.value(row, 1)) {
                views.push_back({"view", result.value(row, 0) ? result.value(row, 0) : "",
                                 result.value(row, 1)});
            }
        }
    }
    return views;
}

std::optional<std::string> read_sequence(sqlite3* db, const std::string& table) {
    ResultTable sequence;
    if (sequence.run(
            db, "SELECT seq FROM main.sqlite_sequence WHERE name = " + quote_value(table) + ";") &&
        sequence.rows() == 1 && sequence.value(0, 0)) {
        return std::string(sequence.value(0, 0));
    }
    return std::nullopt;
}

long foreign_key_problems(sqlite3* db, std::string* tables) {
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
