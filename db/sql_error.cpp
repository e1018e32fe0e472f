#include "db/sql_error.h"

#include "db/text_convert.h"

const char* connection_message(sqlite3* db, int code) {
    if (db && (sqlite3_errcode(db) & 0xff) == (code & 0xff)) {
        return sqlite3_errmsg(db);
    }
    return sqlite3_errstr(code);
}

std::string sql_error_text(const char* operation_text, sqlite3* handle) {
    std::string text = operation_text ? operation_text : "";
    text += '\n';
    const char* message = handle ? sqlite3_errmsg(handle) : "";
    std::string ansi;
    // The message may quote names in UTF-8; shown unconverted they would be garbled.
    if (convert_whole(message, false, ansi)) {
        text += ansi;
    } else {
        text += message;
    }
    return text;
}
