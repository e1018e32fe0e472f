#pragma once

#include <sqlite3.h>

#include <cstddef>

// The one open database of the program. Only the main window opens, creates and
// closes it; other parts borrow `handle` for one operation or one dialog.
class DatabaseConnection {
public:
    static constexpr std::size_t kPathSize = 512;

    DatabaseConnection() = default;
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;
    ~DatabaseConnection() { close(); }

    // Opens the database at an ANSI path, closing the open one first. False, and
    // the connection closed, when SQLite cannot open it or the path's UTF-8 form
    // does not fit its room (a cut path would name another file).
    bool open(const char* path);
    // Opens (and so creates) a new database file, closing the open one first.
    // SQLite's answer is not examined: a file that cannot be written shows itself
    // at the first statement. False only for a path that does not fit.
    bool create(const char* path);
    void close();
    // Forgets the path (the main window's set-up).
    void clear_path() { path_utf8[0] = '\0'; }

    sqlite3* handle = nullptr;
    bool is_open = false;
    char path_utf8[kPathSize] = "";

private:
    bool set_path(const char* path);
};
