#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

// Owners of what SQLite hands out and must be given back: each is given back once,
// however the code that holds it ends.

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Memory SQLite allocated for the caller (sqlite3_mprintf, a changeset).
struct SqliteFree {
    void operator()(void* memory) const { sqlite3_free(memory); }
};
using SqliteBuffer = std::unique_ptr<void, SqliteFree>;
using SqliteText = std::unique_ptr<char, SqliteFree>;

struct SessionDeleter {
    void operator()(sqlite3_session* session) const { sqlite3session_delete(session); }
};
using Session = std::unique_ptr<sqlite3_session, SessionDeleter>;

struct ChangesetIterFinalizer {
    void operator()(sqlite3_changeset_iter* iter) const { sqlite3changeset_finalize(iter); }
};
using ChangesetIter = std::unique_ptr<sqlite3_changeset_iter, ChangesetIterFinalizer>;

// Prepares one statement (UTF-8); null when it cannot be.
inline Statement prepare_statement(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return Statement();
    }
    return Statement(statement);
}

inline Statement prepare_statement(sqlite3* db, const std::string& sql) {
    return prepare_statement(db, sql.c_str());
}
