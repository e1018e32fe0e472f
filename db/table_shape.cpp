#include "db/table_shape.h"

#include <algorithm>
#include <cctype>

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/sqlite_handles.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"

namespace {

// PRAGMA table_xinfo's "hidden": 1 for a hidden column of a virtual table, 2 and 3
// for generated columns (virtual and stored).
constexpr int kHiddenColumn = 1;

bool is_true(const char* field) {
    return field && parse_integer(field) != 0;
}

std::string text_of(const char* field) {
    return field ? field : "";
}

// Whether statements can name the table's row id at all (a virtual table's
// module may have none).
bool has_rowid(sqlite3* db, const std::string& table, const std::string& rowid_name) {
    return static_cast<bool>(prepare_statement(
        db, "SELECT " + rowid_name + " FROM " + quote_identifier(table) + " LIMIT 0;"));
}

// Whether the table's primary key has an index of its own, which a key that is
// the row id never has.
bool key_has_index(sqlite3* db, const std::string& table) {
    ResultTable indexes;
    return indexes.run(db, "SELECT COUNT(*) FROM pragma_index_list(" + quote_value(table) +
                               ") WHERE origin = 'pk';") &&
           indexes.rows() == 1 && is_true(indexes.value(0, 0));
}

// Whether SQLite would take this statement at all: on a view it does only where an
// INSTEAD OF trigger takes the change. Prepared, never run.
bool prepares(sqlite3* db, const std::string& sql) {
    return static_cast<bool>(prepare_statement(db, sql));
}

void read_view_triggers(sqlite3* db, const std::string& view, TableShape& shape) {
    const std::string name = quote_identifier(view);
    shape.view_deletes = prepares(db, "DELETE FROM " + name + " WHERE 0;");
    shape.view_inserts = prepares(db, "INSERT INTO " + name + " DEFAULT VALUES;");
    // A trigger "UPDATE OF a" takes changes of a alone.
    for (ShapeColumn& column : shape.columns) {
        const std::string column_name = quote_identifier(column.name);
        column.view_updates = prepares(
            db, "UPDATE " + name + " SET " + column_name + " = " + column_name + " WHERE 0;");
    }
}

}  // namespace

bool read_tables(sqlite3* db, std::vector<TableName>& tables) {
    tables.clear();
    ResultTable result;
    if (!result.run(db, kTableListSql)) {
        return false;
    }
    tables.reserve(static_cast<std::size_t>(result.rows()));
    for (int row = 0; row < result.rows(); ++row) {
        TableName table;
        table.name = text_of(result.value(row, 0));
        table.shown = table.name;
        table.view = text_of(result.value(row, 1)) == "view";
        if (table.view) {
            table.shown += to_utf8(kViewMark);
        }
        tables.push_back(std::move(table));
    }
    return true;
}

std::vector<std::size_t> TableShape::key_columns() const {
    std::vector<std::size_t> keys;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key_position > 0) {
            keys.push_back(i);
        }
    }
    std::stable_sort(keys.begin(), keys.end(), [this](std::size_t a, std::size_t b) {
        return columns[a].key_position < columns[b].key_position;
    });
    return keys;
}

bool read_table_shape(sqlite3* db, const std::string& table, TableShape& shape) {
    shape = TableShape();
    ResultTable info;
    if (!info.run(db, "PRAGMA TABLE_XINFO(" + quote_identifier(table) + ");") || info.rows() == 0 ||
        info.columns() < 7) {
        return false;
    }
    std::vector<std::string> all_names;
    for (int row = 0; row < info.rows(); ++row) {
        ShapeColumn column;
        column.name = text_of(info.value(row, 1));
        all_names.push_back(column.name);
        const int hidden = static_cast<int>(parse_integer(info.value(row, 6)));
        if (hidden == kHiddenColumn) {
            continue;
        }
        column.type = text_of(info.value(row, 2));
        column.not_null = is_true(info.value(row, 3));
        column.has_default = info.value(row, 4) != nullptr;
        column.key_position = static_cast<int>(parse_integer(info.value(row, 5)));
        column.generated = hidden > kHiddenColumn;
        shape.columns.push_back(std::move(column));
    }
    if (shape.columns.empty()) {
        return false;
    }
    shape.rowid_name = std::string(rowid_name_for(all_names));

    bool without_rowid = false;
    ResultTable kind;
    if (kind.run(db, "PRAGMA main.TABLE_LIST(" + quote_identifier(table) + ");") &&
        kind.rows() > 0 && kind.columns() >= 6) {
        shape.is_view = text_of(kind.value(0, 2)) == "view";
        shape.is_virtual = text_of(kind.value(0, 2)) == "virtual";
        without_rowid = is_true(kind.value(0, 4));
        shape.strict = is_true(kind.value(0, 5));
    }
    if (shape.is_view) {
        shape.identity = IdentityKind::values;
        read_view_triggers(db, table, shape);
    } else if (without_rowid) {
        shape.identity =
            shape.key_columns().empty() ? IdentityKind::none : IdentityKind::primary_key;
    } else if (!has_rowid(db, table, shape.rowid_name)) {
        shape.identity = IdentityKind::none;
    } else {
        const std::vector<std::size_t> keys = shape.key_columns();
        if (keys.size() == 1 &&
            key_is_rowid_alias(shape.columns[keys[0]].type, 1, key_has_index(db, table))) {
            shape.rowid_alias = static_cast<int>(keys[0]) + 1;
        }
    }
    shape.stand_in_order = stand_in::orders_by_stand_in(db, table);
    if (!shape.is_view) {
        for (ShapeColumn& column : shape.columns) {
            column.stand_in_collation =
                stand_in::column_ordered_by_stand_in(db, table, column.name);
        }
    }
    return true;
}

bool key_is_rowid_alias(const std::string& key_type, int key_columns, bool key_has_index) {
    return key_columns == 1 && !key_has_index && equals_ignoring_ascii_case(key_type, "INTEGER");
}

std::int64_t count_table_rows(sqlite3* db, const std::string& table) {
    ResultTable result;
    if (!result.run(db, count_sql(table)) || result.rows() == 0 || result.columns() < 1) {
        return 0;
    }
    return parse_integer(result.value(result.rows() - 1, 0));
}

std::string column_header(const ShapeColumn& column) {
    std::string header = column.name;
    if (!column.type.empty()) {
        header += " [" + column.type + "]";
    }
    if (column.generated) {
        header += " [GENERATED]";
    }
    return header;
}

std::string record_page_sql(const std::string& table,
                            const TableShape& shape,
                            std::int64_t offset,
                            int count) {
    PageStart start;
    start.offset = offset;
    return record_page_sql(table, shape, start, count);
}

std::string record_fields(const TableShape& shape) {
    const RecordIdentity& identity = record_identity(shape);
    std::string fields = identity.fields(shape);
    // typeof(), length() of a BLOB and octet_length() read no byte of the value:
    // a cell that shows a BLOB's size costs nothing, however large the BLOB. A long
    // text is read in part afterwards where the record has a row id, as substr()
    // would read the whole of it first.
    const bool prefix_reads = identity.has_rowid() && !shape.is_virtual;
    for (const ShapeColumn& column : shape.columns) {
        const std::string name = quote_identifier(column.name);
        const std::string text_form = prefix_reads && !column.generated
                                          ? "CASE WHEN octet_length(" + name +
                                                ") > 1024 THEN zeroblob(0) ELSE " + name + " END"
                                          : "substr(" + name + ", 1, 1024)";
        fields += fields.empty() ? "" : ", ";
        fields += "CASE typeof(" + name + ") WHEN 'blob' THEN CAST(length(" + name +
                  ") AS BLOB) WHEN 'text' THEN " + text_form + " ELSE " + name + " END";
    }
    return fields;
}

std::string record_page_sql(const std::string& table,
                            const TableShape& shape,
                            const PageStart& start,
                            int count) {
    const RecordIdentity& identity = record_identity(shape);
    std::string sql = "SELECT " + record_fields(shape) + " FROM " + quote_identifier(table);
    const std::string next_to = identity.start_condition(shape, start.from, start.identity);
    const std::string order = identity.order(
        shape, start.from == PageStart::From::before && !next_to.empty() ? " DESC" : "");
    if (!next_to.empty()) {
        sql += " WHERE " + next_to;
    }
    if (!order.empty()) {
        sql += " ORDER BY " + order;
    }
    const std::int64_t offset = next_to.empty() ? start.offset : 0;
    return sql + " LIMIT " + std::to_string(offset) + ", " + std::to_string(count) + ";";
}
