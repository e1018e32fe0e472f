#include "db/result_table.h"

#include <memory>

#include "db/text_convert.h"

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

}  // namespace

void ResultTable::reset() {
    if (data_) {
        sqlite3_free_table(data_);
        data_ = nullptr;
    }
    rows_ = 0;
    columns_ = 0;
}

bool ResultTable::run(sqlite3* db, const std::string& utf8_sql) {
    reset();
    if (!db) {
        code_ = SQLITE_MISUSE;
        return false;
    }
    code_ = sqlite3_get_table(db, utf8_sql.c_str(), &data_, &rows_, &columns_, nullptr);
    if (code_ != SQLITE_OK) {
        reset();
        return false;
    }
    return true;
}

bool ResultTable::run_ansi(sqlite3* db, const std::string& ansi_sql) {
    std::string utf8;
    if (!convert_whole(ansi_sql, true, utf8)) {
        reset();
        code_ = SQLITE_ERROR;
        return false;
    }
    return run(db, utf8);
}

int exec_ansi(sqlite3* db, const std::string& ansi_sql) {
    if (!db) {
        return SQLITE_MISUSE;
    }
    std::string utf8;
    if (!convert_whole(ansi_sql, true, utf8)) {
        return SQLITE_ERROR;
    }
    return sqlite3_exec(db, utf8.c_str(), nullptr, nullptr, nullptr);
}

int exec_single_ansi(sqlite3* db, const std::string& ansi_sql, bool& more) {
    more = false;
    if (!db) {
        return SQLITE_MISUSE;
    }
    std::string utf8;
    if (!convert_whole(ansi_sql, true, utf8)) {
        return SQLITE_ERROR;
    }
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int code = sqlite3_prepare_v2(db, utf8.c_str(), -1, &raw, &tail);
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
