#include "db/record_identity.h"

#include <cctype>

#include "db/result_table.h"

namespace {

// The bytes of a view's text or BLOB beyond which a page keeps only its kind,
// size and first bytes to find its record again.
constexpr int kLongValueBytes = 512;

std::string joined(const IdentityFields& literals) {
    std::string values;
    for (const std::string& literal : literals) {
        values += values.empty() ? "" : ", ";
        values += literal;
    }
    return values;
}

// The records of a table with row ids, found by the row id.
class RowIdIdentity : public RecordIdentity {
public:
    int field_count(const TableShape&) const override { return 1; }
    std::string fields(const TableShape& shape) const override { return shape.rowid_name; }
    std::string condition(const TableShape& shape, const IdentityFields& identity) const override {
        if (identity.size() != 1 || identity[0].empty()) {
            return std::string();
        }
        return rowid_condition(shape.rowid_name, parse_integer(identity[0].c_str()));
    }
    std::string order(const TableShape& shape, const char* direction) const override {
        return shape.rowid_name + direction;
    }
    bool pages_by_key(const TableShape& shape) const override {
        return !shape.is_virtual && !shape.stand_in_order;
    }
    bool has_rowid() const override { return true; }
    RowId rowid(const IdentityFields& identity) const override {
        return identity.empty() ? -1 : parse_integer(identity[0].c_str());
    }
    std::string row_label(const IdentityFields& identity, std::int64_t) const override {
        return format_rowid(parse_integer(identity.empty() ? "" : identity[0].c_str()));
    }
    bool changed_by(const TableShape& shape, std::size_t column) const override {
        return shape.rowid_alias > 0 && static_cast<std::size_t>(shape.rowid_alias) == column + 1;
    }

protected:
    std::string key_terms(const TableShape& shape) const override { return shape.rowid_name; }
    std::string key_values(const IdentityFields& identity) const override {
        return std::to_string(parse_integer(identity[0].c_str()));
    }
};

// The records of a table WITHOUT ROWID, found by every column of the primary key.
class KeyIdentity : public RecordIdentity {
public:
    int field_count(const TableShape& shape) const override {
        return static_cast<int>(shape.key_columns().size());
    }
    std::string fields(const TableShape& shape) const override {
        std::string fields;
        for (std::size_t index : shape.key_columns()) {
            fields += fields.empty() ? "" : ", ";
            fields += "quote(" + quote_identifier(shape.columns[index].name) + ")";
        }
        return fields;
    }
    std::string condition(const TableShape& shape, const IdentityFields& identity) const override {
        const std::vector<std::size_t> keys = shape.key_columns();
        if (identity.size() != keys.size() || keys.empty()) {
            return std::string();
        }
        std::string condition;
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
    std::string order(const TableShape& shape, const char* direction) const override {
        std::string order;
        for (std::size_t index : shape.key_columns()) {
            order += order.empty() ? "" : ", ";
            order += quote_identifier(shape.columns[index].name) + direction;
        }
        return order;
    }
    bool pages_by_key(const TableShape& shape) const override {
        return !shape.is_virtual && !shape.stand_in_order && !shape.key_columns().empty();
    }
    bool changed_by(const TableShape& shape, std::size_t column) const override {
        return column < shape.columns.size() && shape.columns[column].key_position > 0;
    }
    IdentityFields written(const TableShape& shape,
                           IdentityFields identity,
                           std::size_t column,
                           const std::string& literal) const override {
        const std::vector<std::size_t> keys = shape.key_columns();
        for (std::size_t i = 0; i < keys.size() && i < identity.size(); ++i) {
            if (keys[i] == column) {
                identity[i] = literal;
            }
        }
        return identity;
    }
    IdentityFields inserted(const TableShape& shape,
                            const std::vector<std::string>& literals) const override {
        IdentityFields key;
        for (std::size_t column : shape.key_columns()) {
            key.push_back(column < literals.size() ? literals[column] : std::string());
        }
        return key;
    }

protected:
    std::string key_terms(const TableShape& shape) const override { return order(shape, ""); }
    // quote() made each of these from the stored value: literals as they stand.
    std::string key_values(const IdentityFields& identity) const override {
        return joined(identity);
    }
};

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

// The records of a view, which has no key: found by every value they show.
class ValuesIdentity : public RecordIdentity {
public:
    int field_count(const TableShape& shape) const override {
        return static_cast<int>(shape.columns.size());
    }
    std::string fields(const TableShape& shape) const override {
        // A long text or BLOB is told by its kind, its size and its first bytes
        // rather than whole, so that a page of a view holds what a page of a table
        // holds however large its values. Two records alike in all of that are
        // found together, and the write is refused.
        std::string fields;
        for (const ShapeColumn& column : shape.columns) {
            const std::string name = quote_identifier(column.name);
            fields += fields.empty() ? "" : ", ";
            fields += "CASE WHEN typeof(" + name + ") IN ('text', 'blob') AND octet_length(" +
                      name + ") > " + std::to_string(kLongValueBytes) + " THEN '~' || typeof(" +
                      name + ") || ':' || octet_length(" + name + ") || ':' || hex(substr(CAST(" +
                      name + " AS BLOB), 1, " + std::to_string(kLongValueBytes) + ")) ELSE quote(" +
                      name + ") END";
        }
        return fields;
    }
    std::string condition(const TableShape& shape, const IdentityFields& identity) const override {
        if (identity.size() != shape.columns.size() || identity.empty()) {
            return std::string();
        }
        // quote() gave each short value whole, NULL included; IS matches NULL too.
        std::string condition;
        for (std::size_t i = 0; i < identity.size(); ++i) {
            if (identity[i].empty()) {
                return std::string();
            }
            condition += condition.empty() ? "" : " AND ";
            condition += long_value_condition(quote_identifier(shape.columns[i].name), identity[i]);
        }
        return condition;
    }
    bool may_find_several() const override { return true; }
    bool changed_by(const TableShape&, std::size_t) const override { return true; }
    IdentityFields written(const TableShape&,
                           IdentityFields identity,
                           std::size_t column,
                           const std::string& literal) const override {
        if (column < identity.size()) {
            identity[column] = literal;
        }
        return identity;
    }
};

// The records of a table that cannot find one again (a virtual table without row
// ids, a table WITHOUT ROWID whose key cannot be read): read, never written.
class NoIdentity : public RecordIdentity {
public:
    int field_count(const TableShape&) const override { return 0; }
    std::string fields(const TableShape&) const override { return std::string(); }
    std::string condition(const TableShape&, const IdentityFields&) const override {
        return std::string();
    }
    bool finds_records() const override { return false; }
};

}  // namespace

std::string RecordIdentity::start_condition(const TableShape& shape,
                                            PageStart::From from,
                                            const IdentityFields& identity) const {
    if (from == PageStart::From::offset || !pages_by_key(shape) ||
        static_cast<int>(identity.size()) != field_count(shape)) {
        return std::string();
    }
    // A comparison of row values follows ORDER BY column by column: the same
    // records in the same places as the offset form's.
    const char* compare = from == PageStart::From::at      ? " >= "
                          : from == PageStart::From::after ? " > "
                                                           : " < ";
    return "(" + key_terms(shape) + ")" + compare + "(" + key_values(identity) + ")";
}

std::string RecordIdentity::records_before_sql(const std::string& table,
                                               const TableShape& shape,
                                               const IdentityFields& identity) const {
    // Counted in the order a page is read in, even where that is a stand-in's.
    const std::string terms = key_terms(shape);
    if (terms.empty() || identity.empty() ||
        static_cast<int>(identity.size()) != field_count(shape)) {
        return std::string();
    }
    return "SELECT COUNT(*) FROM " + quote_identifier(table) + " WHERE (" + terms + ") < (" +
           key_values(identity) + ");";
}

std::string RecordIdentity::row_label(const IdentityFields&, std::int64_t place) const {
    return format_rowid(place);
}

const RecordIdentity& record_identity(const TableShape& shape) {
    static const RowIdIdentity rowid;
    static const KeyIdentity key;
    static const ValuesIdentity values;
    static const NoIdentity none;
    switch (shape.identity) {
        case IdentityKind::rowid:
            return rowid;
        case IdentityKind::primary_key:
            return key;
        case IdentityKind::values:
            return values;
        case IdentityKind::none:
            break;
    }
    return none;
}

std::string identity_order(const TableShape& shape, const char* direction) {
    return record_identity(shape).order(shape, direction);
}

std::string identity_of_sql(const std::string& table,
                            const TableShape& shape,
                            const std::string& condition) {
    return "SELECT " + record_identity(shape).fields(shape) + " FROM " + quote_identifier(table) +
           " WHERE " + condition + ";";
}

IdentityFields read_record_identity(sqlite3* db,
                                    const std::string& table,
                                    const TableShape& shape,
                                    const std::string& condition) {
    IdentityFields identity;
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
