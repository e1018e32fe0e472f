#include "db/sql_error.h"

#include "db/stand_in_collation.h"
#include "db/text_convert.h"

const char* connection_message(sqlite3* db, int code) {
    // Refused by the program itself, which says why in its own words.
    if ((code & 0xff) == SQLITE_AUTH) {
        if (const char* refusal = stand_in::refusal_message(db)) {
            return refusal;
        }
    }
    if (db && (sqlite3_errcode(db) & 0xff) == (code & 0xff)) {
        return sqlite3_errmsg(db);
    }
    return sqlite3_errstr(code);
}

std::string sql_error_text(const char* operation_text, sqlite3* handle) {
    return sql_error_text(
        operation_text,
        std::string(handle ? connection_message(handle, sqlite3_errcode(handle)) : ""));
}

std::string sql_error_text(const char* operation_text, const std::string& message) {
    return to_utf8(operation_text ? operation_text : "") + "\n" + message;
}

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
