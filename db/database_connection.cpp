#include "db/database_connection.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstring>
#include <string>

#include "db/record_view.h"
#include "db/result_table.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/sqlite_handles.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"

namespace {

// Reading the whole catalogue parses the schema and reads every page of it: a file
// that is no database, or whose first pages are damaged, fails here.
constexpr char kSchemaCheckSql[] = "SELECT COUNT(*) FROM sqlite_master;";

// A file on another machine, by a UNC path or a network drive.
bool on_network_share(const char* path) {
    if (path[0] == '\\' && path[1] == '\\') {
        // "\\.\" and "\\?\" lead to local devices and long paths, except "\\?\UNC\".
        const bool device = (path[2] == '.' || path[2] == '?') && path[3] == '\\';
        return !device || std::strncmp(path + 4, "UNC\\", 4) == 0;
    }
#ifdef _WIN32
    if (path[0] != '\0' && path[1] == ':') {
        const char root[] = {path[0], ':', '\\', '\0'};
        return GetDriveTypeA(root) == DRIVE_REMOTE;
    }
#endif
    return false;
}

// Reads through a mapping of the file. Every ReadFile of a database under Wine is
// a round trip to the Wine server, which made one page of a table of a million
// records take seconds; a mapped page costs nothing after its first touch. A
// 64-bit build maps the whole of any file it meets; a 32-bit one keeps a window of
// 256 MiB, as its whole address space is 2 GiB. Windows refuses to shorten a
// mapped file, so no other program can pull the pages from under a read. On a
// network share a mapping need not see what other machines write there, so those
// files are read the ordinary way.
void map_reads(sqlite3* handle, const char* path) {
    constexpr sqlite3_int64 kWholeFile = sqlite3_int64{1} << 36;
    constexpr sqlite3_int64 kWindow = sqlite3_int64{256} << 20;
    if (!handle || on_network_share(path)) {
        return;
    }
    const sqlite3_int64 limit = sizeof(void*) >= 8 ? kWholeFile : kWindow;
    const SqliteText sql(sqlite3_mprintf("PRAGMA mmap_size = %lld;", limit));
    if (sql) {
        sqlite3_exec(handle, sql.get(), nullptr, nullptr, nullptr);
    }
}

// Tables made here keep to the number of columns every SQLite can open, although
// this build reads pages of more result columns than that.
void keep_column_limit(sqlite3* handle) {
    constexpr int kStandardColumnLimit = 2000;
    if (handle && sqlite3_limit(handle, SQLITE_LIMIT_COLUMN, -1) > kStandardColumnLimit) {
        sqlite3_limit(handle, SQLITE_LIMIT_COLUMN, kStandardColumnLimit);
    }
}

// The filters' match that ignores how Japanese is written (see fold_for_matching).
void fold_function(sqlite3_context* context, int, sqlite3_value** values) {
    if (sqlite3_value_type(values[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const int size = sqlite3_value_bytes(values[0]);
    // Called for every record a filter reads: the room is kept from one to the
    // next (SQLite copies the result, and calls on one thread at a time).
    static std::string folded;
    if (!text ||
        !fold_for_matching(std::string_view(text, static_cast<std::size_t>(size)), folded)) {
        sqlite3_result_value(context, values[0]);
        return;
    }
    sqlite3_result_text(context, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

}  // namespace

// The file may come from anywhere: its views and triggers may not call functions
// with effects beyond their result.
void DatabaseConnection::set_up(const char* path) {
    if (!handle) {
        return;
    }
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_create_function(handle, kFoldFunction, 1,
                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                            fold_function, nullptr, nullptr);
    sqlite3_busy_timeout(handle, DatabaseConnection::kBusyTimeoutMs);
    map_reads(handle, path);
    run_watch::watch(handle);
    run_watch::set_poll(handle, run_poll_);
    keep_column_limit(handle);
    // Before the first read: a table keyed by a collation the program lacks reads
    // only with a stand-in for it.
    stand_in::survey(handle);
}

bool DatabaseConnection::set_path(const char* path) {
    const std::size_t size = path ? std::strlen(path) : 0;
    if (size == 0 || size >= kPathSize) {
        return false;
    }
    std::memcpy(path_utf8, path, size + 1);
    return true;
}

bool DatabaseConnection::refuse(int code) {
    open_result = code;
    open_message = connection_message(handle, code);
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
    set_up(path);

    ResultTable check;
    if (!check.run(handle, kSchemaCheckSql)) {
        const int failure = check.code() & 0xff;
        if (failure != SQLITE_BUSY && failure != SQLITE_LOCKED) {
            return refuse(failure);
        }
        // A real database that another program holds: it stays open, and the
        // caller says why its tables are missing.
        open_result = SQLITE_BUSY;
        open_message = connection_message(handle, failure);
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
    set_up(path);
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
