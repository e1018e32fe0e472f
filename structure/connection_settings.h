#pragma once

#include <sqlite3.h>

// Connection settings a change of the schema needs otherwise than the user may
// have them, each switched for the life of a guard and put back as it found them
// however the change ends. A guard that changed nothing puts nothing back.

// Switches a PRAGMA that is on ("foreign_keys", "legacy_alter_table") off.
class ScopedPragmaOff {
public:
    ScopedPragmaOff(sqlite3* db, const char* pragma);
    ~ScopedPragmaOff();
    ScopedPragmaOff(const ScopedPragmaOff&) = delete;
    ScopedPragmaOff& operator=(const ScopedPragmaOff&) = delete;

private:
    sqlite3* db_;
    const char* pragma_;
    bool switched_ = false;
};

// Switches an on/off option of sqlite3_db_config (SQLITE_DBCONFIG_DQS_DML, ...)
// off.
class ScopedDbConfigOff {
public:
    ScopedDbConfigOff(sqlite3* db, int option);
    ~ScopedDbConfigOff();
    ScopedDbConfigOff(const ScopedDbConfigOff&) = delete;
    ScopedDbConfigOff& operator=(const ScopedDbConfigOff&) = delete;

private:
    sqlite3* db_;
    int option_;
    int was_ = 0;
};
