#include "sqleditor/sql_execution.h"

#include <chrono>
#include <cstdio>

#include "db/result_table.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/text_convert.h"

namespace {

// How often rows that arrive are shown while the run goes on.
constexpr int kTellRowsEveryMs = 100;

// One of the program's own messages (in the code page) as the outcome's text.
SqlOutcome failure(const char* ansi_text) {
    SqlOutcome outcome;
    outcome.kind = SqlOutcome::Kind::error;
    outcome.message = to_utf8(ansi_text);
    return outcome;
}

// The database's last message, as it stands: it may quote names. A text without
// a statement calls no SQLite function, so `code` says what the run came to.
std::string database_message(sqlite3* db, int code) {
    return connection_message(db, code);
}

SqlOutcome run_statements(sqlite3* db,
                          const char* utf8_text,
                          const std::function<void(const SqlRows&)>& on_rows,
                          std::size_t budget) {
    if (!db) {
        return failure(kSqlNoDatabaseText);
    }
    const std::string utf8 = utf8_text ? utf8_text : "";
    if (text_weight(utf8) > static_cast<std::size_t>(kSqlTextLimit)) {
        return failure(kSqlTooLongText);
    }
    // Half of a surrogate pair cannot be written in UTF-8: a run would have to
    // change it, so the text is refused as it stands.
    bool valid = true;
    utf8_to_utf16(utf8, &valid);
    if (!valid) {
        return failure(kSqlHalfPairText);
    }

    SqlOutcome outcome;
    auto table = std::make_unique<SqlRows>(budget);
    bool described = false;
    auto last_told = std::chrono::steady_clock::now();
    auto on_columns = [&](sqlite3_stmt* statement) {
        table->set_columns(sqlite3_column_count(statement));
        described = true;
    };
    auto on_row = [&](sqlite3_stmt* statement) {
        table->add_row(statement);
        if (run_watch::tick(db)) {
            sqlite3_interrupt(db);
        }
        const auto now = std::chrono::steady_clock::now();
        if (on_rows && now - last_told >= std::chrono::milliseconds(kTellRowsEveryMs)) {
            last_told = now;
            on_rows(*table);
        }
    };
    std::string own_message;
    const int code = step_statements(db, utf8, on_columns, on_row, own_message);
    outcome.interrupted = (code & 0xff) == SQLITE_INTERRUPT;
    if (code != SQLITE_OK && !(outcome.interrupted && table->rows_returned() > 0)) {
        outcome.kind = SqlOutcome::Kind::error;
        outcome.message = own_message.empty() ? database_message(db, code) : own_message;
    } else if (!described || table->columns() == 0) {
        outcome.kind = SqlOutcome::Kind::message;
        outcome.message = database_message(db, code);
    } else {
        outcome.kind = SqlOutcome::Kind::rows;
        outcome.table = std::move(table);
    }
    return outcome;
}

}  // namespace

SqlOutcome run_sql(sqlite3* db,
                   const char* utf8_text,
                   const std::function<void(const SqlRows&)>& on_rows,
                   std::size_t budget) {
    SqlOutcome outcome = run_statements(db, utf8_text, on_rows, budget);
    outcome.transaction_open = db && sqlite3_get_autocommit(db) == 0;
    return outcome;
}

std::string format_row_number(int row) {
    char text[16];
    std::snprintf(text, sizeof(text), "%05d", row);
    return text;
}

std::string sql_cell_text(std::string_view utf8) {
    return std::string(utf8.substr(0, cut_to_weight(utf8, kSqlCellTextSize - 1)));
}

const char* history_cut_note(ChangeHistory::Cut cut) {
    switch (cut) {
        case ChangeHistory::Cut::restructure:
            return kSqlCutBySchemaText;
        case ChangeHistory::Cut::too_large:
        case ChangeHistory::Cut::too_old:
            return kSqlCutTooLargeText;
        case ChangeHistory::Cut::unfollowed:
        case ChangeHistory::Cut::none:
            break;
    }
    return kSqlCutUnfollowedText;
}
