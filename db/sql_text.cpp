#include "db/sql_text.h"

#include <cerrno>
#include <cstdlib>

namespace {

std::string quoted(std::string_view text, char quote) {
    std::string result;
    result.reserve(text.size() + 2);
    result.push_back(quote);
    for (char c : text) {
        if (c == quote) {
            result.push_back(quote);
        }
        result.push_back(c);
    }
    result.push_back(quote);
    return result;
}

}  // namespace

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string quote_identifier(std::string_view name) {
    return quoted(name, '"');
}

std::string quote_value(std::string_view value) {
    return quoted(value, '\'');
}

std::string rowid_condition(std::string_view rowid_name, RowId rowid) {
    return std::string(rowid_name) + " = " + std::to_string(rowid);
}

std::string format_rowid(RowId rowid) {
    const bool negative = rowid < 0;
    // Negate in unsigned arithmetic so that the smallest value does not overflow.
    std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(rowid) : static_cast<std::uint64_t>(rowid);
    std::string digits = std::to_string(magnitude);
    const std::size_t width = negative ? 4 : 5;
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return negative ? "-" + digits : digits;
}

std::int64_t parse_integer(const char* text) {
    if (!text) {
        return 0;
    }
    errno = 0;
    long long value = std::strtoll(text, nullptr, 10);
    return static_cast<RowId>(value);
}

std::string_view rowid_name_for(const std::vector<std::string>& column_names) {
    static constexpr std::string_view kNames[] = {"rowid", "_rowid_", "oid"};
    for (std::string_view name : kNames) {
        bool taken = false;
        for (const std::string& column : column_names) {
            taken = taken || equals_ignoring_ascii_case(column, name);
        }
        if (!taken) {
            return name;
        }
    }
    return kNames[0];
}

std::string count_sql(std::string_view table) {
    return "SELECT COUNT(*) FROM " + quote_identifier(table) + ";";
}

std::string drop_table_sql(std::string_view table) {
    return "DROP TABLE " + quote_identifier(table);
}

std::string drop_view_sql(std::string_view view) {
    return "DROP VIEW " + quote_identifier(view);
}
