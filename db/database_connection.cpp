#include "db/database_connection.h"

#include <cstring>
#include <string>

#include "db/result_table.h"
#include "db/text_convert.h"

namespace {

// Reading the whole catalogue parses the schema and reads every page of it: a file
// that is no database, or whose first pages are damaged, fails here.
constexpr char kSchemaCheckSql[] = "SELECT COUNT(*) FROM sqlite_master;";

}  // namespace

bool is_unreadable_failure(int code) {
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_NOMEM:
            return true;
        default:
            return false;
    }
}

bool DatabaseConnection::set_path(const char* path) {
    std::string utf8;
    if (!path || !convert_whole(path, true, utf8) || utf8.size() >= kPathSize || utf8.empty()) {
        return false;
    }
    std::memcpy(path_utf8, utf8.c_str(), utf8.size() + 1);
    return true;
}

bool DatabaseConnection::refuse(int code) {
    open_result = code;
    const char* message = handle ? sqlite3_errmsg(handle) : nullptr;
    open_message = message ? message : sqlite3_errstr(code);
    sqlite3_close(handle);
    handle = nullptr;
    read_only = false;
    return false;
}

bool DatabaseConnection::open(const char* path) {
    close();
    open_result = SQLITE_OK;
    open_message.clear();
    if (!set_path(path)) {
        open_result = SQLITE_CANTOPEN;
        return false;
    }
    // No SQLITE_OPEN_CREATE: a mistyped name must not leave an empty file behind.
    int code = sqlite3_open_v2(path_utf8, &handle, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK && (code & 0xff) != SQLITE_NOMEM) {
        sqlite3_close(handle);
        handle = nullptr;
        code = sqlite3_open_v2(path_utf8, &handle, SQLITE_OPEN_READONLY, nullptr);
    }
    if (code != SQLITE_OK) {
        return refuse(code & 0xff);
    }
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);

    ResultTable check;
    if (!check.run(handle, kSchemaCheckSql)) {
        const int failure = check.code() & 0xff;
        if (failure != SQLITE_BUSY && failure != SQLITE_LOCKED) {
            return refuse(failure);
        }
        // A real database that another program holds: it stays open, and the
        // caller says why its tables are missing.
        open_result = SQLITE_BUSY;
        open_message = sqlite3_errmsg(handle);
    }
    read_only = sqlite3_db_readonly(handle, "main") == 1;
    is_open = true;
    return true;
}

bool DatabaseConnection::create(const char* path) {
    close();
    open_result = SQLITE_OK;
    open_message.clear();
    if (!set_path(path)) {
        return false;
    }
    sqlite3_open(path_utf8, &handle);
    if (handle) {
        sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    }
    is_open = true;
    return true;
}

void DatabaseConnection::close() {
    if (!is_open) {
        return;
    }
    sqlite3_close(handle);
    handle = nullptr;
    is_open = false;
    read_only = false;
}

bool DatabaseConnection::in_transaction() const {
    return is_open && handle && sqlite3_get_autocommit(handle) == 0;
}

int DatabaseConnection::end_transaction(bool commit) {
    if (!is_open || !handle) {
        return SQLITE_MISUSE;
    }
    return sqlite3_exec(handle, commit ? "COMMIT;" : "ROLLBACK;", nullptr, nullptr, nullptr);
}
