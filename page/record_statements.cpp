#include "page/record_statements.h"

#include "db/sql_text.h"
#include "page/cell_value.h"

namespace {

// The column types of a STRICT table that take text ('' among it).
bool takes_text_when_strict(const std::string& type) {
    return equals_ignoring_ascii_case(type, "TEXT") || equals_ignoring_ascii_case(type, "ANY");
}

}  // namespace

std::string delete_where_sql(const std::string& table, const std::string& condition) {
    return "DELETE FROM " + quote_identifier(table) + " WHERE " + condition + ";";
}

std::string select_value_where_sql(const std::string& table,
                                   const std::string& column,
                                   const std::string& condition) {
    return "SELECT " + quote_identifier(column) + " FROM " + quote_identifier(table) + " WHERE " +
           condition + ";";
}

BlankFill blank_fill(const TableShape& shape, const ShapeColumn& column, bool alias) {
    if (column.generated) {
        return BlankFill::omitted;
    }
    if (alias) {
        return BlankFill::null_value;
    }
    if (shape.is_virtual) {
        // The module knows its columns: a spatial index's id is chosen for it and
        // its coordinates start at 0, where '' would make one id 0 for every record.
        return BlankFill::omitted;
    }
    if (shape.strict && !takes_text_when_strict(column.type)) {
        // '' would be refused by an INTEGER, REAL or BLOB column.
        return BlankFill::omitted;
    }
    return BlankFill::empty_text;
}

std::string column_literal(const TableShape& shape,
                           std::size_t column,
                           const std::string& literal) {
    const bool blob = shape.strict && column < shape.columns.size() &&
                      equals_ignoring_ascii_case(shape.columns[column].type, "BLOB");
    return blob ? "CAST(" + literal + " AS BLOB)" : literal;
}

std::vector<std::string> blank_row_literals(const TableShape& shape,
                                            std::size_t edited,
                                            const std::string& value,
                                            int alias_column) {
    std::vector<std::string> literals;
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        if (i == edited) {
            // A number typed into a column without a declared type stays a number.
            literals.push_back(column_literal(
                shape, i,
                value_literal(value, ValueKind::unknown, !shape.columns[i].type.empty())));
            continue;
        }
        const bool alias = alias_column > 0 && static_cast<std::size_t>(alias_column) == i + 1;
        switch (blank_fill(shape, shape.columns[i], alias)) {
            case BlankFill::empty_text:
                literals.push_back("''");
                break;
            case BlankFill::null_value:
                literals.push_back("NULL");
                break;
            case BlankFill::omitted:
                literals.push_back(std::string());
                break;
        }
    }
    return literals;
}

std::string insert_literals_sql(const std::string& table,
                                const TableShape& shape,
                                const std::vector<std::string>& literals) {
    std::string names;
    std::string values;
    for (std::size_t i = 0; i < shape.columns.size() && i < literals.size(); ++i) {
        if (literals[i].empty()) {
            continue;
        }
        names += names.empty() ? "" : ", ";
        values += values.empty() ? "" : ", ";
        names += quote_identifier(shape.columns[i].name);
        values += literals[i];
    }
    if (names.empty()) {
        return "INSERT INTO " + quote_identifier(table) + " DEFAULT VALUES;";
    }
    return "INSERT INTO " + quote_identifier(table) + " (" + names + ") VALUES (" + values + ");";
}
