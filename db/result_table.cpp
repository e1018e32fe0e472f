#include "db/result_table.h"

#include "db/text_convert.h"

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
    return exec_utf8(db, utf8);
}

int exec_utf8(sqlite3* db, const std::string& utf8_sql) {
    if (!db) {
        return SQLITE_MISUSE;
    }
    return sqlite3_exec(db, utf8_sql.c_str(), nullptr, nullptr, nullptr);
}
