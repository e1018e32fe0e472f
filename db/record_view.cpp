#include "db/record_view.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/text_convert.h"

namespace {

// Sort values longer than this are not kept with a page: a page sorted by a
// column of large texts would otherwise hold every one of them whole.
constexpr int kLongOrderBytes = 1024;

constexpr const char kNoValueMessage[] = "比べる値を記号の後に入力してください。";
constexpr const char kNoRangeMessage[] =
    "範囲は「1~9」のように「~」の前か後に値を入力してください。";
constexpr const char kNoRowIdMessage[] = "この表には行番号がないため、行番号で絞り込めません。";

enum class Affinity { text, number, none };

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trimmed(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_blank(text[begin])) {
        ++begin;
    }
    while (end > begin && is_blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string upper_ascii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// SQLite's rules for a column's affinity from its declared type, in their order.
Affinity affinity_of(const ShapeColumn& column, bool strict) {
    // The rules look for ASCII words, which no byte of another UTF-8 character fakes.
    const std::string type = upper_ascii(column.type);
    const auto has = [&type](const char* word) { return type.find(word) != std::string::npos; };
    if (has("INT")) {
        return Affinity::number;
    }
    if (has("CHAR") || has("CLOB") || has("TEXT")) {
        return Affinity::text;
    }
    if (has("BLOB") || type.empty()) {
        return Affinity::none;
    }
    if (strict && trimmed(type) == "ANY") {
        return Affinity::none;
    }
    return Affinity::number;
}

// A decimal number as SQLite reads one: sign, digits, point, exponent.
bool number_value(const std::string& text, FilterValue& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    bool integral = true;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        integral = false;
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        integral = false;
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponent = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++exponent;
        }
        if (exponent == 0) {
            return false;
        }
    }
    if (i != text.size()) {
        return false;
    }
    if (integral) {
        errno = 0;
        const long long integer = std::strtoll(text.c_str(), nullptr, 10);
        if (errno == 0) {
            value.kind = FilterValue::Kind::integer;
            value.integer = integer;
            return true;
        }
    }
    value.kind = FilterValue::Kind::real;
    value.real = std::strtod(text.c_str(), nullptr);
    return true;
}

// A value in double quotes is taken as it stands ("" for a quote inside).
std::string unquoted(const std::string& text, bool& quoted) {
    quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    if (!quoted) {
        return text;
    }
    std::string inside;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        inside.push_back(text[i]);
        if (text[i] == '"' && text[i + 1] == '"' && i + 2 < text.size()) {
            ++i;
        }
    }
    return inside;
}

// The first "~" outside double quotes.
std::size_t range_mark(const std::string& text) {
    bool inside = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            inside = !inside;
        } else if (text[i] == '~' && !inside) {
            return i;
        }
    }
    return std::string::npos;
}

bool is_not_null(const std::string& text) {
    if (text.size() < 8 || !equals_ignoring_ascii_case(text.substr(0, 3), "NOT") ||
        !is_blank(text[3])) {
        return false;
    }
    return equals_ignoring_ascii_case(trimmed(text.substr(3)), "NULL");
}

// Builds the condition of one column's filter.
class ColumnFilter {
public:
    ColumnFilter(std::string expression, Affinity affinity, TextMatch match, RecordFilter& filter)
        : expression_(std::move(expression)), affinity_(affinity), match_(match), filter_(filter) {}

    // False with `message` set when the text cannot be understood.
    bool add(const std::string& typed, std::string& message) {
        const std::string text = trimmed(typed);
        if (text.empty()) {
            return true;
        }
        if (equals_ignoring_ascii_case(text, "NULL")) {
            return condition(expression_ + " IS NULL");
        }
        if (is_not_null(text)) {
            return condition(expression_ + " IS NOT NULL");
        }
        // Longer operators first: "<=" is not "<" before "=".
        static const char* const kOperators[] = {"<>", "!=", ">=", "<=", "=", ">", "<"};
        for (const char* op : kOperators) {
            const std::string mark(op);
            if (text.compare(0, mark.size(), mark) != 0) {
                continue;
            }
            bool quoted = false;
            const std::string value = unquoted(trimmed(text.substr(mark.size())), quoted);
            const bool equality = mark == "=" || mark == "<>" || mark == "!=";
            if (value.empty() && !quoted && !equality) {
                message = kNoValueMessage;
                return false;
            }
            // "<>" keeps the records without a value: they are not x either.
            const std::string sql_op = mark == "=" ? " = "
                                       : equality  ? " IS NOT "
                                                   : " " + mark + " ";
            return condition(expression_ + sql_op + bound(value, quoted));
        }
        const std::size_t mark = range_mark(text);
        if (mark != std::string::npos) {
            bool low_quoted = false;
            bool high_quoted = false;
            const std::string low = unquoted(trimmed(text.substr(0, mark)), low_quoted);
            const std::string high = unquoted(trimmed(text.substr(mark + 1)), high_quoted);
            const bool has_low = !low.empty() || low_quoted;
            const bool has_high = !high.empty() || high_quoted;
            if (!has_low && !has_high) {
                message = kNoRangeMessage;
                return false;
            }
            std::string range;
            if (has_low) {
                range = expression_ + " >= " + bound(low, low_quoted);
            }
            if (has_high) {
                range += range.empty() ? "" : " AND ";
                range += expression_ + " <= " + bound(high, high_quoted);
            }
            return condition(range);
        }
        bool quoted = false;
        const std::string value = unquoted(text, quoted);
        FilterValue number;
        if (affinity_ == Affinity::number && !quoted && number_value(value, number)) {
            return condition(expression_ + " = " + parameter(number));
        }
        return condition(contains(value));
    }

private:
    bool condition(const std::string& sql) {
        filter_.condition += filter_.condition.empty() ? "" : " AND ";
        filter_.condition += "(" + sql + ")";
        return true;
    }

    std::string parameter(const FilterValue& value) {
        filter_.values.push_back(value);
        return "?" + std::to_string(filter_.values.size());
    }

    // A number for a column that holds numbers, so that the comparison is
    // numeric and an index on the column serves; a text column compares texts.
    std::string bound(const std::string& text, bool quoted) {
        FilterValue value;
        if (quoted || affinity_ == Affinity::text || !number_value(text, value)) {
            value = FilterValue();
            value.text = text;
        }
        return parameter(value);
    }

    std::string contains(const std::string& needle) {
        FilterValue value;
        if (match_ == TextMatch::folded) {
            value.text = needle;
            const std::string fold(kFoldFunction);
            return "instr(" + fold + "(" + expression_ + "), " + fold + "(" + parameter(value) +
                   ")) > 0";
        }
        value.text = "%";
        for (char c : needle) {
            if (c == '\\' || c == '%' || c == '_') {
                value.text.push_back('\\');
            }
            value.text.push_back(c);
        }
        value.text.push_back('%');
        return expression_ + " LIKE " + parameter(value) + " ESCAPE '\\'";
    }

    std::string expression_;
    Affinity affinity_;
    TextMatch match_;
    RecordFilter& filter_;
};

bool hex_digit(char c, int& digit) {
    if (c >= '0' && c <= '9') {
        digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
    } else {
        return false;
    }
    return true;
}

// One place in the order of a page: a sort key or an identifying field, the
// value of the record a page starts next to and the direction it is read in.
struct OrderPlace {
    std::string expression;
    bool descending = false;
    bool null = false;
    std::string parameter;
};

// The records after the start's in the places from `first` on, the identifying
// fields (never NULL) compared as one row value.
std::string after_from(const std::vector<OrderPlace>& keys,
                       std::size_t first,
                       const std::string& identity,
                       const std::string& identity_values,
                       const char* identity_compare) {
    if (first == keys.size()) {
        return "(" + identity + ")" + identity_compare + "(" + identity_values + ")";
    }
    const OrderPlace& key = keys[first];
    // NULL comes first in ascending order, last in descending.
    std::string beyond;
    if (key.null) {
        beyond = key.descending ? "" : key.expression + " IS NOT NULL";
    } else if (key.descending) {
        beyond =
            "(" + key.expression + " < " + key.parameter + " OR " + key.expression + " IS NULL)";
    } else {
        beyond = key.expression + " > " + key.parameter;
    }
    const std::string tie =
        "(" + key.expression + (key.null ? " IS NULL" : " = " + key.parameter) + " AND " +
        after_from(keys, first + 1, identity, identity_values, identity_compare) + ")";
    return beyond.empty() ? tie : "(" + beyond + " OR " + tie + ")";
}

}  // namespace

bool parse_filters(const TableShape& shape,
                   const std::vector<std::string>& typed,
                   RecordFilter& filter,
                   std::size_t& bad_column,
                   std::string& message) {
    return parse_filters(shape, std::string(), typed, TextMatch::exact, filter, bad_column,
                         message);
}

bool parse_filters(const TableShape& shape,
                   const std::string& rowid_typed,
                   const std::vector<std::string>& typed,
                   TextMatch match,
                   RecordFilter& filter,
                   std::size_t& bad_column,
                   std::string& message) {
    filter = RecordFilter();
    bad_column = 0;
    message.clear();
    if (!trimmed(rowid_typed).empty()) {
        bad_column = kRowIdFilter;
        if (!record_identity(shape).has_rowid()) {
            message = kNoRowIdMessage;
            return false;
        }
        ColumnFilter rowid(shape.rowid_name, Affinity::number, match, filter);
        if (!rowid.add(rowid_typed, message)) {
            filter = RecordFilter();
            return false;
        }
    }
    for (std::size_t i = 0; i < typed.size() && i < shape.columns.size(); ++i) {
        const ShapeColumn& column = shape.columns[i];
        // A unary plus keeps the column's collation and leaves its indexes out: a
        // stand-in's seek could pass records the file's own order holds elsewhere.
        ColumnFilter one((column.stand_in_collation ? "+" : "") + quote_identifier(column.name),
                         affinity_of(column, shape.strict), match, filter);
        if (!one.add(typed[i], message)) {
            bad_column = i;
            filter = RecordFilter();
            return false;
        }
    }
    bad_column = 0;
    return true;
}

std::int64_t count_view_records(sqlite3* db,
                                const std::string& table,
                                const TableShape&,
                                const RecordView& view) {
    std::string sql = "SELECT count(*) FROM " + quote_identifier(table);
    if (!view.filter.empty()) {
        sql += " WHERE " + view.filter.condition;
    }
    ResultTable result;
    if (!result.run_typed(db, sql + ";", view.filter.values) || result.rows() != 1 ||
        result.columns() != 1 || !result.value(0, 0)) {
        return -1;
    }
    return parse_integer(result.value(0, 0));
}

bool literal_value(const std::string& literal, FilterValue& value) {
    value = FilterValue();
    if (literal == "NULL") {
        value.kind = FilterValue::Kind::null;
        return true;
    }
    if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
        for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
            if (literal[i] == '\'') {
                if (literal[i + 1] != '\'' || i + 2 >= literal.size()) {
                    return false;
                }
                ++i;
            }
            value.text.push_back(literal[i]);
        }
        return true;
    }
    if (literal.size() >= 3 && (literal[0] == 'X' || literal[0] == 'x') && literal[1] == '\'' &&
        literal.back() == '\'') {
        const std::size_t digits = literal.size() - 3;
        if (digits % 2 != 0) {
            return false;
        }
        value.kind = FilterValue::Kind::blob;
        for (std::size_t i = 0; i < digits; i += 2) {
            int high = 0;
            int low = 0;
            if (!hex_digit(literal[2 + i], high) || !hex_digit(literal[3 + i], low)) {
                return false;
            }
            value.text.push_back(static_cast<char>(high * 16 + low));
        }
        return true;
    }
    return number_value(literal, value);
}

std::vector<ViewStatement> view_page_statements(const std::string& table,
                                                const TableShape& shape,
                                                const RecordView& view,
                                                const PageStart& start,
                                                int count,
                                                bool& backwards) {
    std::vector<ViewStatement> statements;
    ViewStatement first;
    first.values = view.filter.values;

    bool by_key = start.from != PageStart::From::offset && pages_by_key(shape) &&
                  static_cast<int>(start.identity.size()) == identity_field_count(shape) &&
                  start.order_values.size() == view.order.size();
    // The values of the record to start next to, bound after the filter's.
    std::vector<FilterValue> start_values;
    for (std::size_t i = 0; by_key && i < start.order_values.size() + start.identity.size(); ++i) {
        const std::string& literal = i < start.order_values.size()
                                         ? start.order_values[i]
                                         : start.identity[i - start.order_values.size()];
        FilterValue value;
        // An empty field is a value not kept, or no identity at all.
        by_key = !literal.empty() && literal_value(literal, value) &&
                 (i < start.order_values.size() || value.kind != FilterValue::Kind::null);
        start_values.push_back(value);
    }
    backwards = by_key && start.from == PageStart::From::before;

    std::string fields = record_fields(shape);
    std::string order;
    std::vector<OrderPlace> keys;
    for (std::size_t i = 0; i < view.order.size(); ++i) {
        const OrderKey& key = view.order[i];
        if (key.column >= shape.columns.size()) {
            return statements;
        }
        OrderPlace place;
        place.expression = quote_identifier(shape.columns[key.column].name);
        place.descending = key.descending != backwards;
        const std::string& e = place.expression;
        fields += ", CASE WHEN typeof(" + e + ") IN ('text', 'blob') AND octet_length(" + e +
                  ") > " + std::to_string(kLongOrderBytes) + " THEN NULL ELSE quote(" + e + ") END";
        order += order.empty() ? "" : ", ";
        order += e + (place.descending ? " DESC" : "");
        if (by_key) {
            place.null = start_values[i].kind == FilterValue::Kind::null;
            place.parameter = "?" + std::to_string(first.values.size() + i + 1);
        }
        keys.push_back(place);
    }
    const std::string identity = identity_order(shape, "");
    const std::string identity_ordered = identity_order(shape, backwards ? " DESC" : "");
    if (!identity_ordered.empty()) {
        order += order.empty() ? "" : ", ";
        order += identity_ordered;
    }

    const std::string select = "SELECT " + fields + " FROM " + quote_identifier(table);
    const std::string order_by = order.empty() ? "" : " ORDER BY " + order;
    const std::string filter = view.filter.empty() ? "" : "(" + view.filter.condition + ")";
    if (!by_key) {
        FilterValue limit;
        limit.kind = FilterValue::Kind::integer;
        limit.integer = count;
        first.values.push_back(limit);
        first.sql = select + (filter.empty() ? "" : " WHERE " + filter) + order_by + " LIMIT " +
                    std::to_string(start.offset) + ", ?" + std::to_string(first.values.size()) +
                    ";";
        statements.push_back(std::move(first));
        return statements;
    }

    std::string identity_values;
    for (std::size_t i = 0; i < start.identity.size(); ++i) {
        identity_values += identity_values.empty() ? "" : ", ";
        identity_values += "?" + std::to_string(first.values.size() + keys.size() + i + 1);
    }
    first.values.insert(first.values.end(), start_values.begin(), start_values.end());
    const char* identity_compare = start.from == PageStart::From::at      ? " >= "
                                   : start.from == PageStart::From::after ? " > "
                                                                          : " < ";
    // The records after the start fall into runs of the first key, each a range
    // of an index on it: its ties with the start, the values beyond, and the
    // records without a value where those come last. One statement per run lets
    // each seek to where it begins.
    std::vector<std::string> runs;
    if (keys.empty()) {
        runs.push_back(after_from(keys, 0, identity, identity_values, identity_compare));
    } else {
        const OrderPlace& key = keys[0];
        const std::string rest = after_from(keys, 1, identity, identity_values, identity_compare);
        const std::string& e = key.expression;
        if (key.null) {
            runs.push_back(e + " IS NULL AND " + rest);
            if (!key.descending) {
                runs.push_back(e + " IS NOT NULL");
            }
        } else {
            runs.push_back(e + " = " + key.parameter + " AND " + rest);
            runs.push_back(e + (key.descending ? " < " : " > ") + key.parameter);
            if (key.descending) {
                runs.push_back(e + " IS NULL");
            }
        }
    }
    FilterValue limit;
    limit.kind = FilterValue::Kind::integer;
    limit.integer = count;
    first.values.push_back(limit);
    const std::string limit_parameter = "?" + std::to_string(first.values.size());
    for (const std::string& run : runs) {
        ViewStatement statement;
        statement.values = first.values;
        // The run comes first: where a range filter bounds the same column, the
        // planner takes the first bound it meets, and the run's is the one that
        // seeks to the page (the filter's would read every record before it).
        statement.sql = select + " WHERE (" + run + ")" + (filter.empty() ? "" : " AND " + filter) +
                        order_by + " LIMIT " + limit_parameter + ";";
        statements.push_back(std::move(statement));
    }
    return statements;
}
