#include "structure/table_sql.h"

#include <algorithm>
#include <array>

#include "db/sql_text.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Bytes of UTF-8 (and of code page 932) lead and trail bytes are all name bytes,
// as they are for SQLite.
bool is_word_byte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u >= 0x80;
}

// The end of a quoted token starting at `begin`: past the closing quote, where a
// doubled quote (except in []) stands for itself.
std::size_t quoted_end(std::string_view sql, std::size_t begin, char close, bool doubled) {
    std::size_t at = begin + 1;
    while (at < sql.size()) {
        if (sql[at] == close) {
            if (doubled && at + 1 < sql.size() && sql[at + 1] == close) {
                at += 2;
                continue;
            }
            return at + 1;
        }
        ++at;
    }
    return sql.size();
}

bool is_word(std::string_view sql, const SqlToken& token, std::string_view word) {
    return token.kind == SqlToken::kWord &&
           equals_ignoring_ascii_case(sql.substr(token.begin, token.end - token.begin), word);
}

bool is_char(std::string_view sql, const SqlToken& token, char c) {
    return token.kind == SqlToken::kOther && sql[token.begin] == c;
}

bool is_any_word(std::string_view sql, const SqlToken& token, const char* const* words, int count) {
    for (int i = 0; i < count; ++i) {
        if (is_word(sql, token, words[i])) {
            return true;
        }
    }
    return false;
}

// Words that end a declared type: the start of a column constraint.
constexpr std::array<const char*, 11> kColumnConstraintWords = {
    "CONSTRAINT", "PRIMARY", "NOT",        "NULL",      "UNIQUE", "CHECK",
    "DEFAULT",    "COLLATE", "REFERENCES", "GENERATED", "AS"};
// Words that start a table constraint; from the first one on, the list holds
// only table constraints.
constexpr std::array<const char*, 5> kTableConstraintWords = {"CONSTRAINT", "PRIMARY", "UNIQUE",
                                                              "CHECK", "FOREIGN"};

// The token index just past the parenthesis that closes the one at `open`.
std::size_t past_closing(std::string_view sql,
                         const std::vector<SqlToken>& tokens,
                         std::size_t open,
                         std::size_t limit) {
    int depth = 0;
    for (std::size_t at = open; at < limit; ++at) {
        if (is_char(sql, tokens[at], '(')) {
            ++depth;
        } else if (is_char(sql, tokens[at], ')') && --depth == 0) {
            return at + 1;
        }
    }
    return limit;
}

ColumnSql parse_column(std::string_view sql,
                       const std::vector<SqlToken>& tokens,
                       std::size_t first,
                       std::size_t limit) {
    ColumnSql column;
    column.name = sql_token_name(sql, tokens[first]);
    column.begin = tokens[first].begin;
    column.end = tokens[limit - 1].end;
    column.type_begin = column.type_end = tokens[first].end;

    std::size_t at = first + 1;
    while (at < limit &&
           ((tokens[at].kind == SqlToken::kWord &&
             !is_any_word(sql, tokens[at], kColumnConstraintWords.data(),
                          static_cast<int>(kColumnConstraintWords.size()))) ||
            tokens[at].kind == SqlToken::kQuotedName || tokens[at].kind == SqlToken::kString)) {
        ++at;
    }
    if (at > first + 1) {
        if (at < limit && is_char(sql, tokens[at], '(')) {
            at = past_closing(sql, tokens, at, limit);
        }
        column.type_begin = tokens[first + 1].begin;
        column.type_end = tokens[at - 1].end;
    }

    int depth = 0;
    for (; at < limit; ++at) {
        if (is_char(sql, tokens[at], '(')) {
            ++depth;
        } else if (is_char(sql, tokens[at], ')')) {
            --depth;
        } else if (depth == 0 && is_word(sql, tokens[at], "AS")) {
            column.generated = true;
        }
    }
    return column;
}

// A column's definition with its inline PRIMARY KEY clause taken out.
std::string without_primary_key(const std::string& definition) {
    const std::vector<SqlToken> tokens = sql_tokens(definition);
    int depth = 0;
    for (std::size_t at = 0; at + 1 < tokens.size(); ++at) {
        if (is_char(definition, tokens[at], '(')) {
            ++depth;
        } else if (is_char(definition, tokens[at], ')')) {
            --depth;
        }
        if (depth != 0 || !is_word(definition, tokens[at], "PRIMARY") ||
            !is_word(definition, tokens[at + 1], "KEY")) {
            continue;
        }
        std::size_t first = at;
        if (at >= 2 && is_word(definition, tokens[at - 2], "CONSTRAINT")) {
            first = at - 2;
        }
        std::size_t last = at + 1;
        if (last + 1 < tokens.size() && (is_word(definition, tokens[last + 1], "ASC") ||
                                         is_word(definition, tokens[last + 1], "DESC"))) {
            ++last;
        }
        if (last + 3 < tokens.size() && is_word(definition, tokens[last + 1], "ON") &&
            is_word(definition, tokens[last + 2], "CONFLICT")) {
            last += 3;
        }
        if (last + 1 < tokens.size() && is_word(definition, tokens[last + 1], "AUTOINCREMENT")) {
            ++last;
        }
        std::string result = definition;
        result.erase(tokens[first].begin, tokens[last].end - tokens[first].begin);
        return result;
    }
    return definition;
}

std::string edited_column(const TableSql& table, const ColumnEdit& edit) {
    const ColumnSql& column = table.columns[edit.column];
    std::string text = table.sql.substr(column.begin, column.end - column.begin);
    // The key clause lies after the type, so it goes first and leaves the type's
    // place where it was.
    if (edit.drop_primary_key) {
        const std::size_t type_end = column.type_end - column.begin;
        text = text.substr(0, type_end) + without_primary_key(text.substr(type_end));
    }
    if (edit.retype) {
        const std::size_t type_begin = column.type_begin - column.begin;
        const std::size_t type_length = column.type_end - column.type_begin;
        if (type_length == 0 && !edit.type.empty()) {
            text.insert(type_begin, " " + edit.type);
        } else {
            text.replace(type_begin, type_length, edit.type);
        }
    }
    return text;
}

}  // namespace

std::vector<SqlToken> sql_tokens(std::string_view sql) {
    std::vector<SqlToken> tokens;
    std::size_t at = 0;
    while (at < sql.size()) {
        const char c = sql[at];
        const char next = at + 1 < sql.size() ? sql[at + 1] : '\0';
        if (is_blank(c)) {
            ++at;
        } else if (c == '-' && next == '-') {
            const std::size_t line_end = sql.find('\n', at);
            at = line_end == std::string_view::npos ? sql.size() : line_end + 1;
        } else if (c == '/' && next == '*') {
            const std::size_t close = sql.find("*/", at + 2);
            at = close == std::string_view::npos ? sql.size() : close + 2;
        } else if (c == '\'') {
            const std::size_t end = quoted_end(sql, at, '\'', true);
            tokens.push_back({SqlToken::kString, at, end});
            at = end;
        } else if (c == '"' || c == '`') {
            const std::size_t end = quoted_end(sql, at, c, true);
            tokens.push_back({SqlToken::kQuotedName, at, end});
            at = end;
        } else if (c == '[') {
            const std::size_t end = quoted_end(sql, at, ']', false);
            tokens.push_back({SqlToken::kQuotedName, at, end});
            at = end;
        } else if (is_word_byte(c)) {
            std::size_t end = at + 1;
            while (end < sql.size() && is_word_byte(sql[end])) {
                ++end;
            }
            tokens.push_back({SqlToken::kWord, at, end});
            at = end;
        } else {
            tokens.push_back({SqlToken::kOther, at, at + 1});
            ++at;
        }
    }
    return tokens;
}

std::string sql_token_name(std::string_view sql, const SqlToken& token) {
    const std::string_view text = sql.substr(token.begin, token.end - token.begin);
    if (token.kind == SqlToken::kWord || token.kind == SqlToken::kOther || text.empty()) {
        return std::string(text);
    }
    const char open = text.front();
    const char close = open == '[' ? ']' : open;
    std::string_view inner = text.substr(1);
    if (!inner.empty() && inner.back() == close) {
        inner.remove_suffix(1);
    }
    std::string name;
    for (std::size_t at = 0; at < inner.size(); ++at) {
        name += inner[at];
        if (open != '[' && inner[at] == close && at + 1 < inner.size() && inner[at + 1] == close) {
            ++at;
        }
    }
    return name;
}

bool parse_create_table(std::string_view sql, TableSql& table) {
    const std::vector<SqlToken> tokens = sql_tokens(sql);
    std::size_t at = 0;
    if (at >= tokens.size() || !is_word(sql, tokens[at], "CREATE")) {
        return false;
    }
    ++at;
    if (at < tokens.size() &&
        (is_word(sql, tokens[at], "TEMP") || is_word(sql, tokens[at], "TEMPORARY"))) {
        ++at;
    }
    if (at >= tokens.size() || !is_word(sql, tokens[at], "TABLE")) {
        return false;
    }
    while (at < tokens.size() && !is_char(sql, tokens[at], '(')) {
        if (is_word(sql, tokens[at], "AS")) {
            return false;
        }
        ++at;
    }
    if (at >= tokens.size()) {
        return false;
    }
    const std::size_t open = at;
    std::size_t close = open;
    for (int depth = 0; close < tokens.size(); ++close) {
        if (is_char(sql, tokens[close], '(')) {
            ++depth;
        } else if (is_char(sql, tokens[close], ')') && --depth == 0) {
            break;
        }
    }
    if (close == tokens.size()) {
        return false;
    }

    TableSql parsed;
    parsed.sql = std::string(sql);
    parsed.list_begin = tokens[open].end;
    parsed.list_end = tokens[close].begin;

    bool constraints = false;
    std::size_t first = open + 1;
    int depth = 0;
    for (at = open + 1; at <= close; ++at) {
        const bool ends = at == close || (depth == 0 && is_char(sql, tokens[at], ','));
        if (!ends) {
            if (is_char(sql, tokens[at], '(')) {
                ++depth;
            } else if (is_char(sql, tokens[at], ')')) {
                --depth;
            }
            continue;
        }
        if (at == first) {
            return false;
        }
        constraints = constraints || is_any_word(sql, tokens[first], kTableConstraintWords.data(),
                                                 static_cast<int>(kTableConstraintWords.size()));
        if (constraints) {
            parsed.constraints.push_back({tokens[first].begin, tokens[at - 1].end});
        } else {
            parsed.columns.push_back(parse_column(sql, tokens, first, at));
        }
        first = at + 1;
    }
    if (parsed.columns.empty()) {
        return false;
    }
    table = std::move(parsed);
    return true;
}

std::string edited_create_table(const TableSql& table,
                                const std::vector<ColumnEdit>& edits,
                                const std::vector<std::size_t>& dropped_constraints) {
    // Every definition in the list with its place in the original text, so that
    // what stood between two kept definitions (the comma, blanks, comments) stays.
    struct Piece {
        std::size_t begin;
        std::size_t end;
        std::string text;
    };
    std::vector<Piece> pieces;
    for (const ColumnEdit& edit : edits) {
        if (edit.column < table.columns.size()) {
            const ColumnSql& column = table.columns[edit.column];
            pieces.push_back({column.begin, column.end, edited_column(table, edit)});
        }
    }
    for (std::size_t index = 0; index < table.constraints.size(); ++index) {
        if (std::find(dropped_constraints.begin(), dropped_constraints.end(), index) ==
            dropped_constraints.end()) {
            const TableConstraintSql& constraint = table.constraints[index];
            pieces.push_back(
                {constraint.begin, constraint.end,
                 table.sql.substr(constraint.begin, constraint.end - constraint.begin)});
        }
    }
    // The places where one definition ends and the next begins, in the original.
    std::vector<std::size_t> begins;
    for (const ColumnSql& column : table.columns) {
        begins.push_back(column.begin);
    }
    for (const TableConstraintSql& constraint : table.constraints) {
        begins.push_back(constraint.begin);
    }
    const std::size_t first_begin = begins.empty() ? table.list_end : begins.front();
    std::size_t last_end = table.list_begin;
    for (const ColumnSql& column : table.columns) {
        last_end = std::max(last_end, column.end);
    }
    for (const TableConstraintSql& constraint : table.constraints) {
        last_end = std::max(last_end, constraint.end);
    }

    std::string sql = table.sql.substr(0, first_begin);
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        sql += pieces[index].text;
        if (index + 1 == pieces.size()) {
            break;
        }
        // What followed this definition up to the next one, if that is a comma.
        const auto next = std::upper_bound(begins.begin(), begins.end(), pieces[index].begin);
        const std::string separator =
            next == begins.end() ? std::string()
                                 : table.sql.substr(pieces[index].end, *next - pieces[index].end);
        sql += separator.find(',') != std::string::npos ? separator : ", ";
    }
    sql += table.sql.substr(last_end);
    return sql;
}

bool sql_names_any(std::string_view sql, const std::vector<std::string>& names) {
    for (const SqlToken& token : sql_tokens(sql)) {
        if (token.kind != SqlToken::kWord && token.kind != SqlToken::kQuotedName) {
            continue;
        }
        const std::string name = sql_token_name(sql, token);
        for (const std::string& wanted : names) {
            if (equals_ignoring_ascii_case(name, wanted)) {
                return true;
            }
        }
    }
    return false;
}
