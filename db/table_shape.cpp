#include "db/table_shape.h"

#include <algorithm>
#include <cctype>

#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/sqlite_handles.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"

namespace {

// The bytes of a view's text or BLOB beyond which a page keeps only its kind,
// size and first bytes to find its record again.
constexpr int kLongValueBytes = 512;

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

// What identifies a view's long value: "~text:5000:4142..." (its kind, its size
// in bytes and its first bytes in hexadecimal) as the page read it; any other
// field is a literal.
std::string long_value_condition(const std::string& name, const std::string& field) {
    if (field.empty() || field[0] != '~') {
        return name + " IS " + field;
    }
    const std::size_t kind_end = field.find(':');
    const std::size_t size_end =
        kind_end == std::string::npos ? kind_end : field.find(':', kind_end + 1);
    const std::string kind = field.substr(1, kind_end == std::string::npos ? 0 : kind_end - 1);
    if (size_end == std::string::npos || (kind != "text" && kind != "blob")) {
        return "0";
    }
    const std::string size = field.substr(kind_end + 1, size_end - kind_end - 1);
    const std::string bytes = field.substr(size_end + 1);
    for (char c : size + bytes) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return "0";
        }
    }
    return "(typeof(" + name + ") = '" + kind + "' AND octet_length(" + name +
           ") = " + std::to_string(parse_integer(size.c_str())) + " AND substr(CAST(" + name +
           " AS BLOB), 1, " + std::to_string(kLongValueBytes) + ") = X'" + bytes + "')";
}

std::string key_order(const TableShape& shape, const char* direction = "") {
    std::string order;
    for (std::size_t index : shape.key_columns()) {
        order += order.empty() ? "" : ", ";
        order += quote_identifier(shape.columns[index].name) + direction;
    }
    return order;
}

std::string identity_fields(const TableShape& shape) {
    switch (shape.identity) {
        case RecordIdentity::rowid:
            return shape.rowid_name;
        case RecordIdentity::primary_key: {
            std::string fields;
            for (std::size_t index : shape.key_columns()) {
                fields += fields.empty() ? "" : ", ";
                fields += "quote(" + quote_identifier(shape.columns[index].name) + ")";
            }
            return fields;
        }
        case RecordIdentity::values: {
            // A long text or BLOB is told by its kind, its size and its first
            // bytes rather than whole, so that a page of a view holds what a page
            // of a table holds however large its values. Two records alike in all
            // of that are found together, and the write is refused.
            std::string fields;
            for (const ShapeColumn& column : shape.columns) {
                const std::string name = quote_identifier(column.name);
                fields += fields.empty() ? "" : ", ";
                fields += "CASE WHEN typeof(" + name + ") IN ('text', 'blob') AND octet_length(" +
                          name + ") > " + std::to_string(kLongValueBytes) + " THEN '~' || typeof(" +
                          name + ") || ':' || octet_length(" + name +
                          ") || ':' || hex(substr(CAST(" + name + " AS BLOB), 1, " +
                          std::to_string(kLongValueBytes) + ")) ELSE quote(" + name + ") END";
            }
            return fields;
        }
        case RecordIdentity::none:
            break;
    }
    return std::string();
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
        table.shown = to_ansi(table.name);
        table.view = text_of(result.value(row, 1)) == "view";
        if (table.view) {
            table.shown += kViewMark;
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
        column.shown = to_ansi(column.name);
        column.type = to_ansi(text_of(info.value(row, 2)));
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
        shape.identity = RecordIdentity::values;
        read_view_triggers(db, table, shape);
    } else if (without_rowid) {
        shape.identity =
            shape.key_columns().empty() ? RecordIdentity::none : RecordIdentity::primary_key;
    } else if (!has_rowid(db, table, shape.rowid_name)) {
        shape.identity = RecordIdentity::none;
    } else {
        const std::vector<std::size_t> keys = shape.key_columns();
        if (keys.size() == 1 &&
            key_is_rowid_alias(shape.columns[keys[0]].type, 1, key_has_index(db, table))) {
            shape.rowid_alias = static_cast<int>(keys[0]) + 1;
        }
    }
    shape.stand_in_order = stand_in::orders_by_stand_in(db, table);
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
    std::string header = column.shown;
    if (!column.type.empty()) {
        header += " [" + column.type + "]";
    }
    if (column.generated) {
        header += " [GENERATED]";
    }
    return header;
}

int identity_field_count(const TableShape& shape) {
    switch (shape.identity) {
        case RecordIdentity::rowid:
            return 1;
        case RecordIdentity::primary_key:
            return static_cast<int>(shape.key_columns().size());
        case RecordIdentity::values:
            return static_cast<int>(shape.columns.size());
        case RecordIdentity::none:
            break;
    }
    return 0;
}

bool pages_by_key(const TableShape& shape) {
    return !shape.is_virtual && !shape.is_view && !shape.stand_in_order &&
           (shape.identity == RecordIdentity::rowid ||
            (shape.identity == RecordIdentity::primary_key && !shape.key_columns().empty()));
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
    std::string fields = identity_fields(shape);
    // typeof(), length() of a BLOB and octet_length() read no byte of the value:
    // a cell that shows a BLOB's size costs nothing, however large the BLOB. A long
    // text is read in part afterwards where the record has a row id, as substr()
    // would read the whole of it first.
    const bool prefix_reads = shape.identity == RecordIdentity::rowid && !shape.is_virtual;
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

std::string identity_order(const TableShape& shape, const char* direction) {
    if (shape.identity == RecordIdentity::rowid) {
        return shape.rowid_name + direction;
    }
    if (shape.identity == RecordIdentity::primary_key) {
        return key_order(shape, direction);
    }
    return std::string();
}

std::string record_page_sql(const std::string& table,
                            const TableShape& shape,
                            const PageStart& start,
                            int count) {
    const std::string fields = record_fields(shape);
    std::string sql = "SELECT " + fields + " FROM " + quote_identifier(table);
    const bool by_key = start.from != PageStart::From::offset && pages_by_key(shape) &&
                        static_cast<int>(start.identity.size()) == identity_field_count(shape);
    const bool backwards = by_key && start.from == PageStart::From::before;
    const char* direction = backwards ? " DESC" : "";
    const std::string order = identity_order(shape, direction);
    if (by_key) {
        // The same order as the offset form's, so the same records in the same
        // places: a comparison of row values follows ORDER BY column by column.
        std::string values;
        if (shape.identity == RecordIdentity::rowid) {
            values = std::to_string(parse_integer(start.identity[0].c_str()));
        } else {
            // quote() made each of these from the stored value: literals as they stand.
            for (const std::string& literal : start.identity) {
                values += values.empty() ? "" : ", ";
                values += literal;
            }
        }
        const char* compare = start.from == PageStart::From::at      ? " >= "
                              : start.from == PageStart::From::after ? " > "
                                                                     : " < ";
        const std::string keys =
            shape.identity == RecordIdentity::rowid ? shape.rowid_name : key_order(shape);
        sql += " WHERE (" + keys + ")" + compare + "(" + values + ")";
    }
    if (!order.empty()) {
        sql += " ORDER BY " + order;
    }
    const std::int64_t offset = by_key ? 0 : start.offset;
    return sql + " LIMIT " + std::to_string(offset) + ", " + std::to_string(count) + ";";
}

std::string record_condition(const TableShape& shape, const std::vector<std::string>& identity) {
    if (static_cast<int>(identity.size()) != identity_field_count(shape) || identity.empty()) {
        return std::string();
    }
    if (shape.identity == RecordIdentity::rowid) {
        if (identity[0].empty()) {
            return std::string();
        }
        return rowid_condition(shape.rowid_name, parse_integer(identity[0].c_str()));
    }
    std::string condition;
    if (shape.identity == RecordIdentity::values) {
        // quote() gave each short value whole, NULL included; IS matches NULL too.
        for (std::size_t i = 0; i < identity.size(); ++i) {
            if (identity[i].empty()) {
                return std::string();
            }
            condition += condition.empty() ? "" : " AND ";
            condition += long_value_condition(quote_identifier(shape.columns[i].name), identity[i]);
        }
        return condition;
    }
    const std::vector<std::size_t> keys = shape.key_columns();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // quote() gives a literal for every value; a key of a table without a
        // row id is never NULL.
        if (identity[i].empty() || identity[i] == "NULL") {
            return std::string();
        }
        condition += condition.empty() ? "" : " AND ";
        condition += quote_identifier(shape.columns[keys[i]].name) + " = " + identity[i];
    }
    return condition;
}

std::string records_before_key_sql(const std::string& table,
                                   const TableShape& shape,
                                   const std::vector<std::string>& key_literals) {
    std::string values;
    for (const std::string& literal : key_literals) {
        values += values.empty() ? "" : ", ";
        values += literal;
    }
    return "SELECT COUNT(*) FROM " + quote_identifier(table) + " WHERE (" + key_order(shape) +
           ") < (" + values + ");";
}

std::string identity_of_sql(const std::string& table,
                            const TableShape& shape,
                            const std::string& condition) {
    return "SELECT " + identity_fields(shape) + " FROM " + quote_identifier(table) + " WHERE " +
           condition + ";";
}

std::vector<std::string> read_record_identity(sqlite3* db,
                                              const std::string& table,
                                              const TableShape& shape,
                                              const std::string& condition) {
    std::vector<std::string> identity;
    ResultTable stored;
    if (condition.empty() || !stored.run(db, identity_of_sql(table, shape, condition)) ||
        stored.rows() != 1) {
        return identity;
    }
    for (int field = 0; field < stored.columns(); ++field) {
        const char* literal = stored.value(0, field);
        identity.push_back(literal ? literal : "");
    }
    return identity;
}
