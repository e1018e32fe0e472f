#include "db/result_table.h"

#include <functional>
#include <memory>

#include "db/read_watch.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"

namespace {

constexpr const char kIncompatibleText[] =
    "sqlite3_get_table() called with two or more incompatible queries";

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Whether the connection reports the columns of a statement that returns no rows
// (PRAGMA empty_result_callbacks), as sqlite3_get_table then does.
bool reports_empty_results(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA empty_result_callbacks;", -1, &statement, nullptr) !=
        SQLITE_OK) {
        return false;
    }
    const bool on = sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_int(statement, 0) != 0;
    sqlite3_finalize(statement);
    return on;
}

// Binds what the statement has room for: a text of several statements gives
// each the same values.
int bind_values(sqlite3_stmt* statement, const std::vector<FilterValue>& values) {
    const int parameters = sqlite3_bind_parameter_count(statement);
    for (int i = 0; i < parameters && i < static_cast<int>(values.size()); ++i) {
        const FilterValue& value = values[static_cast<std::size_t>(i)];
        int code = SQLITE_OK;
        switch (value.kind) {
            case FilterValue::Kind::text:
                code = sqlite3_bind_text64(statement, i + 1, value.text.data(), value.text.size(),
                                           SQLITE_TRANSIENT, SQLITE_UTF8);
                break;
            case FilterValue::Kind::blob:
                code = sqlite3_bind_blob64(statement, i + 1, value.text.data(), value.text.size(),
                                           SQLITE_TRANSIENT);
                break;
            case FilterValue::Kind::integer:
                code = sqlite3_bind_int64(statement, i + 1, value.integer);
                break;
            case FilterValue::Kind::real:
                code = sqlite3_bind_double(statement, i + 1, value.real);
                break;
            case FilterValue::Kind::null:
                code = sqlite3_bind_null(statement, i + 1);
                break;
        }
        if (code != SQLITE_OK) {
            return code;
        }
    }
    return SQLITE_OK;
}

}  // namespace

void ResultTable::reset() {
    if (data_ && from_get_table_) {
        sqlite3_free_table(data_);
    }
    data_ = nullptr;
    from_get_table_ = false;
    cells_.clear();
    is_null_.clear();
    blob_sizes_.clear();
    pointers_.clear();
    message_.clear();
    rows_ = 0;
    columns_ = 0;
}

long long ResultTable::blob_size(int row, int column) const {
    const std::size_t index =
        static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + column;
    return index < blob_sizes_.size() ? blob_sizes_[index] : -1;
}

int step_statements(sqlite3* db,
                    const std::string& utf8_sql,
                    const std::function<void(sqlite3_stmt*)>& on_columns,
                    const std::function<void(sqlite3_stmt*)>& on_row,
                    std::string& message) {
    return step_statements(db, utf8_sql, {}, on_columns, on_row, message);
}

namespace {

// The one loop behind step_statements and stream_statements. `streamed`: the
// columns are fixed by the first statement that has any, rows or not, and a row
// handler may stop the run.
int run_statements(sqlite3* db,
                   const std::string& utf8_sql,
                   const std::vector<FilterValue>& values,
                   bool streamed,
                   const std::function<void(sqlite3_stmt*)>& on_columns,
                   const std::function<bool(sqlite3_stmt*)>& on_row,
                   std::string& message) {
    message.clear();
    if (!db) {
        return SQLITE_MISUSE;
    }
    // The statements run one after another as sqlite3_exec runs them; the columns
    // are those of the statement that gives the first row.
    const char* sql = utf8_sql.c_str();
    int columns = -1;
    bool any_row = false;
    int code = ReadFailureWatch::refusal(db);
    while (code == SQLITE_OK && *sql) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        // A statement before may have made a table whose keys a stand-in orders.
        stand_in::survey_if_changed(db);
        code = sqlite3_prepare_v2(db, sql, -1, &raw, &tail);
        std::unique_ptr<sqlite3_stmt, StatementDeleter> statement(raw);
        if (code != SQLITE_OK) {
            break;
        }
        sql = tail;
        if (!statement) {
            continue;  // a comment or blanks
        }
        if (stand_in::refuses_statement(db, statement.get())) {
            code = SQLITE_AUTH;
            break;
        }
        code = bind_values(statement.get(), values);
        if (code != SQLITE_OK) {
            break;
        }
        bool described = false;
        for (;;) {
            const int step = sqlite3_step(statement.get());
            const bool row = step == SQLITE_ROW;
            const bool empty =
                step == SQLITE_DONE && !described &&
                (streamed ? sqlite3_column_count(statement.get()) > 0 : reports_empty_results(db));
            if (row || empty) {
                const int count = sqlite3_column_count(statement.get());
                if (streamed ? columns < 0 : !any_row) {
                    columns = count;
                    on_columns(statement.get());
                } else if (count != columns) {
                    message = kIncompatibleText;
                    code = SQLITE_ERROR;
                    break;
                }
                described = true;
            }
            if (row) {
                any_row = true;
                if (on_row(statement.get())) {
                    continue;
                }
                code = SQLITE_ABORT;
                break;
            }
            code = sqlite3_finalize(statement.release());
            break;
        }
        while (*sql == ' ' || *sql == '\t' || *sql == '\n' || *sql == '\r' || *sql == '\f' ||
               *sql == '\v') {
            ++sql;
        }
    }
    ReadFailureWatch::note(db, code);
    return code;
}

}  // namespace

int step_statements(sqlite3* db,
                    const std::string& utf8_sql,
                    const std::vector<FilterValue>& values,
                    const std::function<void(sqlite3_stmt*)>& on_columns,
                    const std::function<void(sqlite3_stmt*)>& on_row,
                    std::string& message) {
    return run_statements(
        db, utf8_sql, values, false, on_columns,
        [&](sqlite3_stmt* statement) {
            on_row(statement);
            return true;
        },
        message);
}

int stream_statements(sqlite3* db,
                      const std::string& utf8_sql,
                      const std::vector<FilterValue>& values,
                      const std::function<void(sqlite3_stmt*)>& on_columns,
                      const std::function<bool(sqlite3_stmt*)>& on_row,
                      std::string& message) {
    return run_statements(db, utf8_sql, values, true, on_columns, on_row, message);
}

bool ResultTable::run_typed(sqlite3* db, const std::string& utf8_sql) {
    return run_typed(db, utf8_sql, {});
}

bool ResultTable::run_typed(sqlite3* db,
                            const std::string& utf8_sql,
                            const std::vector<FilterValue>& values) {
    reset();
    std::vector<std::string> header;
    auto on_columns = [&](sqlite3_stmt* s) {
        columns_ = sqlite3_column_count(s);
        header.clear();
        for (int c = 0; c < columns_; ++c) {
            const char* name = sqlite3_column_name(s, c);
            header.push_back(name ? name : "");
        }
    };
    auto on_row = [&](sqlite3_stmt* s) {
        for (int c = 0; c < columns_; ++c) {
            const int type = sqlite3_column_type(s, c);
            long long blob = -1;
            std::string value;
            if (type == SQLITE_BLOB) {
                const void* bytes = sqlite3_column_blob(s, c);
                blob = sqlite3_column_bytes(s, c);
                if (bytes && blob > 0) {
                    value.assign(static_cast<const char*>(bytes), static_cast<std::size_t>(blob));
                }
            } else if (type != SQLITE_NULL) {
                const unsigned char* text = sqlite3_column_text(s, c);
                if (text) {
                    value.assign(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
                }
            }
            cells_.push_back(std::move(value));
            is_null_.push_back(type == SQLITE_NULL);
            blob_sizes_.push_back(blob);
        }
        ++rows_;
    };
    code_ = step_statements(db, utf8_sql, values, on_columns, on_row, message_);
    if (code_ != SQLITE_OK) {
        const std::string message = message_;
        const int code = code_;
        reset();
        message_ = message;
        code_ = code;
        return false;
    }
    // The layout of sqlite3_get_table: the names, then the values row by row.
    cells_.insert(cells_.begin(), header.begin(), header.end());
    is_null_.insert(is_null_.begin(), header.size(), 0);
    pointers_.reserve(cells_.size() + 1);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        pointers_.push_back(is_null_[i] ? nullptr : cells_[i].data());
    }
    pointers_.push_back(nullptr);
    data_ = pointers_.data();
    return true;
}

std::string blob_cell_text(long long bytes) {
    return "(BLOB " + std::to_string(bytes) + " バイト)";
}

bool ResultTable::run(sqlite3* db, const std::string& utf8_sql) {
    reset();
    if (!db) {
        code_ = SQLITE_MISUSE;
        return false;
    }
    code_ = ReadFailureWatch::refusal(db);
    if (code_ == SQLITE_OK) {
        code_ = sqlite3_get_table(db, utf8_sql.c_str(), &data_, &rows_, &columns_, nullptr);
    }
    from_get_table_ = data_ != nullptr;
    ReadFailureWatch::note(db, code_);
    if (code_ != SQLITE_OK) {
        reset();
        return false;
    }
    return true;
}

int exec_utf8(sqlite3* db, const std::string& utf8_sql) {
    if (!db) {
        return SQLITE_MISUSE;
    }
    return sqlite3_exec(db, utf8_sql.c_str(), nullptr, nullptr, nullptr);
}

int exec_single_utf8(sqlite3* db, const std::string& utf8_sql, bool& more) {
    more = false;
    if (!db) {
        return SQLITE_MISUSE;
    }
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int code = sqlite3_prepare_v2(db, utf8_sql.c_str(), -1, &raw, &tail);
    std::unique_ptr<sqlite3_stmt, StatementDeleter> statement(raw);
    if (code != SQLITE_OK) {
        return code;
    }
    // Whatever follows must prepare to nothing at all.
    while (tail && *tail) {
        sqlite3_stmt* next = nullptr;
        const char* rest = nullptr;
        const int next_code = sqlite3_prepare_v2(db, tail, -1, &next, &rest);
        sqlite3_finalize(next);
        if (next_code != SQLITE_OK || next) {
            more = true;
            return SQLITE_ERROR;
        }
        tail = rest;
    }
    if (!statement) {
        return SQLITE_OK;
    }
    do {
        code = sqlite3_step(statement.get());
    } while (code == SQLITE_ROW);
    code = sqlite3_finalize(statement.release());
    return code;
}

int bind_filter_values(sqlite3_stmt* statement, const std::vector<FilterValue>& values) {
    return bind_values(statement, values);
}
