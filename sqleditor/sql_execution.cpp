#include "sqleditor/sql_execution.h"

#include <cstdio>
#include <cstring>

#include "db/sql_error.h"
#include "db/text_convert.h"

namespace {

SqlOutcome failure(const char* text) {
    SqlOutcome outcome;
    outcome.kind = SqlOutcome::Kind::error;
    outcome.message = text;
    return outcome;
}

// The database's last message, shown in the ANSI code page like every other text:
// it may quote names, which unconverted would be garbled. A text without a
// statement calls no SQLite function, so `code` says what the run came to.
std::string database_message(sqlite3* db, int code) {
    const char* message = connection_message(db, code);
    std::string ansi;
    if (!message || !convert_whole(message, false, ansi)) {
        return message ? message : "";
    }
    return ansi;
}

SqlOutcome run_statements(sqlite3* db, const char* ansi_text) {
    if (!db) {
        return failure(kSqlNoDatabaseText);
    }
    const std::string_view text = ansi_text ? ansi_text : "";
    if (text.size() > static_cast<std::size_t>(kSqlTextLimit)) {
        return failure(kSqlTooLongText);
    }
    std::string utf8;
    if (!convert_whole(text, true, utf8)) {
        return failure(kSqlNotConvertedText);
    }

    SqlOutcome outcome;
    auto table = std::make_unique<ResultTable>();
    if (!table->run_typed(db, utf8)) {
        outcome.kind = SqlOutcome::Kind::error;
        outcome.message =
            table->message().empty() ? database_message(db, table->code()) : table->message();
    } else if (table->columns() == 0) {
        outcome.kind = SqlOutcome::Kind::message;
        outcome.message = database_message(db, table->code());
    } else {
        outcome.kind = SqlOutcome::Kind::rows;
        outcome.table = std::move(table);
    }
    return outcome;
}

}  // namespace

SqlOutcome run_sql(sqlite3* db, const char* ansi_text) {
    SqlOutcome outcome = run_statements(db, ansi_text);
    outcome.transaction_open = db && sqlite3_get_autocommit(db) == 0;
    return outcome;
}

std::string format_row_number(int row) {
    char text[16];
    std::snprintf(text, sizeof(text), "%05d", row);
    return text;
}

void sql_cell_text(const char* utf8, char (&cell)[kSqlCellTextSize + 1]) {
    std::memset(cell, 0, sizeof(cell));
    if (!utf8 || !*utf8) {
        return;
    }
    convert_cell_text(utf8, cell, kSqlCellTextSize);
}
