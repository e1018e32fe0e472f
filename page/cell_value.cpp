#include "page/cell_value.h"

#include <memory>

#include "db/result_table.h"
#include "db/sqlite_handles.h"
#include "db/text_convert.h"
#include "page/record_statements.h"

namespace {

// Prepares a UTF-8 statement; null when it cannot be.
Statement prepare_utf8(sqlite3* db, const std::string& utf8_sql) {
    return db ? prepare_statement(db, utf8_sql.c_str()) : Statement();
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string CellAddress::where() const {
    return condition.empty() ? rowid_condition(rowid_name, rowid) : condition;
}

ReadOutcome read_cell_value(sqlite3* db, const CellAddress& cell, CellValue& value) {
    value = CellValue{};
    Statement statement =
        prepare_utf8(db, select_value_where_sql(cell.table, cell.column, cell.where()));
    if (!statement) {
        return ReadOutcome::failed;
    }
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_DONE) {
        return ReadOutcome::missing;
    }
    if (step != SQLITE_ROW || sqlite3_column_count(statement.get()) < 1) {
        return ReadOutcome::failed;
    }
    sqlite3_stmt* s = statement.get();
    switch (sqlite3_column_type(s, 0)) {
        case SQLITE_NULL:
            value.kind = ValueKind::null;
            return ReadOutcome::found;
        case SQLITE_INTEGER:
            value.kind = ValueKind::integer;
            break;
        case SQLITE_FLOAT:
            value.kind = ValueKind::real;
            break;
        case SQLITE_BLOB: {
            value.kind = ValueKind::blob;
            const void* bytes = sqlite3_column_blob(s, 0);
            const int size = sqlite3_column_bytes(s, 0);
            if (bytes && size > 0) {
                value.stored.assign(static_cast<const char*>(bytes),
                                    static_cast<std::size_t>(size));
            }
            return ReadOutcome::found;
        }
        default:
            value.kind = ValueKind::text;
            break;
    }
    const unsigned char* text = sqlite3_column_text(s, 0);
    const int size = sqlite3_column_bytes(s, 0);
    if (text && size > 0) {
        value.stored.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
    }
    return ReadOutcome::found;
}

EditRefusal edit_refusal(const CellValue& value) {
    switch (value.kind) {
        case ValueKind::blob:
            return EditRefusal::binary;
        case ValueKind::text: {
            // A zero byte ends the editor's text; bytes that are no UTF-8 would come
            // back as U+FFFD.
            bool valid = true;
            if (value.stored.find('\0') != std::string::npos ||
                (utf8_to_utf16(value.stored, &valid), !valid)) {
                return EditRefusal::unrepresentable;
            }
            return EditRefusal::none;
        }
        default:
            return EditRefusal::none;
    }
}

bool is_number_literal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponent = 0;
        while (i < text.size() && is_digit(text[i])) {
            ++i;
            ++exponent;
        }
        if (exponent == 0) {
            return false;
        }
    }
    return i == text.size();
}

std::string value_literal(std::string_view text,
                          ValueKind previous,
                          bool column_has_declared_type) {
    const bool held_number = previous == ValueKind::integer || previous == ValueKind::real;
    const bool held_nothing = previous == ValueKind::null || previous == ValueKind::unknown;
    if (is_number_literal(text) && (held_number || (held_nothing && !column_has_declared_type))) {
        // Checked above: a sign, digits, a point and an exponent, nothing that
        // could end the literal or start a comment.
        return std::string(text);
    }
    return quote_value(text);
}

std::string update_value_sql(const CellAddress& cell, std::string_view literal) {
    // Without a row id, each changed record still returns a row, so that the
    // changes can be counted.
    return "UPDATE " + quote_identifier(cell.table) + " SET " + quote_identifier(cell.column) +
           "=" + std::string(literal) + " WHERE " + cell.where() + " RETURNING " +
           (cell.has_rowid ? cell.rowid_name : std::string("1")) + ";";
}

WriteResult update_cell_value(sqlite3* db, const CellAddress& cell, std::string_view literal) {
    WriteResult result;
    Statement statement = prepare_utf8(db, update_value_sql(cell, literal));
    if (!statement) {
        // Virtual tables take no RETURNING clause: count the changed records
        // instead.
        std::string plain = update_value_sql(cell, literal);
        plain.erase(plain.rfind(" RETURNING "));
        if (!db || exec_utf8(db, plain + ";") != SQLITE_OK) {
            return result;
        }
        result.outcome = sqlite3_changes(db) > 0 ? WriteOutcome::written : WriteOutcome::no_record;
        result.rowid = cell.rowid;
        if (result.outcome == WriteOutcome::written && cell.has_rowid) {
            // The record's row id as it is now; where its address no longer finds
            // it (a spatial index's id was the edited column), the page is read
            // again.
            Statement found =
                prepare_utf8(db, "SELECT " + cell.rowid_name + " FROM " +
                                     quote_identifier(cell.table) + " WHERE " + cell.where() + ";");
            if (found && sqlite3_step(found.get()) == SQLITE_ROW) {
                result.rowid = sqlite3_column_int64(found.get(), 0);
            }
        }
        return result;
    }
    // The first step makes every change; the rows it returns are the records
    // that were changed.
    int step = sqlite3_step(statement.get());
    bool changed = false;
    while (step == SQLITE_ROW) {
        changed = true;
        if (cell.has_rowid) {
            result.rowid = sqlite3_column_int64(statement.get(), 0);
        }
        step = sqlite3_step(statement.get());
    }
    if (step != SQLITE_DONE) {
        // Finalizing leaves the statement's message with the connection for the report.
        return result;
    }
    result.outcome = changed ? WriteOutcome::written : WriteOutcome::no_record;
    return result;
}

WriteOutcome delete_record_where(sqlite3* db,
                                 const std::string& table,
                                 const std::string& condition) {
    if (!db || condition.empty()) {
        return WriteOutcome::failed;
    }
    if (exec_utf8(db, delete_where_sql(table, condition)) != SQLITE_OK) {
        return WriteOutcome::failed;
    }
    return sqlite3_changes(db) > 0 ? WriteOutcome::written : WriteOutcome::no_record;
}

WriteOutcome write_through_view(sqlite3* db,
                                const std::string& view,
                                const std::string& condition,
                                const std::string& write_sql,
                                std::string& message) {
    message.clear();
    if (!db) {
        return WriteOutcome::failed;
    }
    // Inside a transaction the user opened in the SQL editor the savepoint nests.
    if (exec_utf8(db, "SAVEPOINT view_write;") != SQLITE_OK) {
        message = sqlite3_errmsg(db);
        return WriteOutcome::failed;
    }
    WriteOutcome outcome = WriteOutcome::written;
    if (!condition.empty()) {
        Statement count = prepare_utf8(
            db, "SELECT COUNT(*) FROM " + quote_identifier(view) + " WHERE " + condition + ";");
        if (!count || sqlite3_step(count.get()) != SQLITE_ROW) {
            outcome = WriteOutcome::failed;
        } else {
            const sqlite3_int64 found = sqlite3_column_int64(count.get(), 0);
            outcome = found == 1   ? WriteOutcome::written
                      : found == 0 ? WriteOutcome::no_record
                                   : WriteOutcome::several;
        }
        if (outcome == WriteOutcome::failed) {
            message = sqlite3_errmsg(db);
        }
    }
    if (outcome == WriteOutcome::written && exec_utf8(db, write_sql) != SQLITE_OK) {
        message = sqlite3_errmsg(db);
        outcome = WriteOutcome::failed;
    }
    if (outcome == WriteOutcome::written) {
        if (exec_utf8(db, "RELEASE view_write;") == SQLITE_OK) {
            return outcome;
        }
        message = sqlite3_errmsg(db);
        outcome = WriteOutcome::failed;
    }
    // A trigger's RAISE(ROLLBACK) has undone everything already and ended the
    // savepoint; this then fails, and the data is as it was all the same.
    exec_utf8(db, "ROLLBACK TO view_write; RELEASE view_write;");
    return outcome;
}
