#include "structure/connection_settings.h"

#include <cstring>
#include <string>

#include "db/result_table.h"

namespace {

bool pragma_is_on(sqlite3* db, const char* pragma) {
    ResultTable result;
    return result.run(db, std::string("PRAGMA ") + pragma + ";") && result.rows() > 0 &&
           result.columns() > 0 && result.value(0, 0) && std::strcmp(result.value(0, 0), "1") == 0;
}

void set_pragma(sqlite3* db, const char* pragma, bool on) {
    const std::string sql = std::string("PRAGMA ") + pragma + (on ? " = ON;" : " = OFF;");
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

ScopedPragmaOff::ScopedPragmaOff(sqlite3* db, const char* pragma) : db_(db), pragma_(pragma) {
    if (pragma_is_on(db_, pragma_)) {
        set_pragma(db_, pragma_, false);
        // Inside a transaction foreign_keys does not change; then there is
        // nothing to put back either.
        switched_ = !pragma_is_on(db_, pragma_);
    }
}

ScopedPragmaOff::~ScopedPragmaOff() {
    if (switched_) {
        set_pragma(db_, pragma_, true);
    }
}

ScopedDbConfigOff::ScopedDbConfigOff(sqlite3* db, int option) : db_(db), option_(option) {
    if (sqlite3_db_config(db_, option_, -1, &was_) != SQLITE_OK) {
        was_ = 0;
    }
    if (was_) {
        sqlite3_db_config(db_, option_, 0, nullptr);
    }
}

ScopedDbConfigOff::~ScopedDbConfigOff() {
    if (was_) {
        sqlite3_db_config(db_, option_, 1, nullptr);
    }
}
