#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <functional>
#include <string>

// The one open database of the program. Only the main window opens, creates and
// closes it; other parts borrow `handle` for one operation or one dialog.
class DatabaseConnection {
public:
    static constexpr std::size_t kPathSize = 512;
    // How long a statement waits for another program's lock before it gives up
    // with SQLITE_BUSY: long enough for a short transaction elsewhere to end.
    static constexpr int kBusyTimeoutMs = 3000;

    DatabaseConnection() = default;
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;
    ~DatabaseConnection() { close(); }

    // Opens an existing database at a UTF-8 path, closing the open one first; a
    // missing file is not created, a file that cannot be written is opened
    // read-only. The schema is read once, so a file that is no database (or a
    // damaged one) is refused and closed again, with nothing written to it.
    // False, and the connection closed, when it cannot be opened (see
    // open_result and open_message) or the path does not fit its room of
    // kPathSize bytes (a cut path would name another file). A database whose
    // schema is locked by another program stays open: open_result is then
    // SQLITE_BUSY.
    bool open(const char* path);
    // Opens (and so creates) a new database file, closing the open one first.
    // SQLite's answer is not examined: a file that cannot be written shows itself
    // at the first statement. False only for a path that does not fit.
    bool create(const char* path);
    void close();
    // What a long statement of every connection opened from now on calls now and
    // then (see run_watch.h): the window layer's pump, which takes a request to stop.
    void set_run_poll(std::function<bool()> poll) { run_poll_ = std::move(poll); }
    // Forgets the path (the main window's set-up).
    void clear_path() { path_utf8[0] = '\0'; }

    // True while a transaction begun with BEGIN (in the SQL editor) is neither
    // committed nor rolled back.
    bool in_transaction() const;
    // Ends that transaction with COMMIT or ROLLBACK; the SQLite result code.
    int end_transaction(bool commit);

    sqlite3* handle = nullptr;
    bool is_open = false;
    // Set when the file could be opened for reading only.
    bool read_only = false;
    char path_utf8[kPathSize] = "";
    // The result of the last open: SQLITE_OK, SQLITE_BUSY for an open database
    // whose schema was locked, or the code that refused the file; with the
    // database's message for it (UTF-8).
    int open_result = SQLITE_OK;
    std::string open_message;

private:
    std::function<bool()> run_poll_;

    bool set_path(const char* path);
    // What every connection of the program gets.
    void set_up(const char* path);
    // Records why the handle just made cannot serve, and closes it.
    bool refuse(int code);
};
