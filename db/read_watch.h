#pragma once

#include <sqlite3.h>

#include <string>

// Watches the reads made through ResultTable on one connection while it lives
// (one user action: listing the tables, showing a page). Reads fail silently by design, so an
// empty answer cannot tell a table that is empty from one that could not be read;
// the watch keeps the first failure that left data unread (another program's
// lock, a damaged file) so that the action can say so.
//
// After a busy or locked failure the later reads of the same action fail at once
// with the same code: each would wait out the whole busy timeout for the same
// answer. So do they after the user stopped a read.
class ReadFailureWatch {
public:
    // A null connection, or one closed while the watch lives, is watched no more.
    explicit ReadFailureWatch(sqlite3* db);
    ~ReadFailureWatch();
    ReadFailureWatch(const ReadFailureWatch&) = delete;
    ReadFailureWatch& operator=(const ReadFailureWatch&) = delete;

    bool failed() const { return code_ != SQLITE_OK; }
    // The primary result code of the failure, SQLITE_OK when none.
    int code() const { return code_; }
    bool busy() const { return code_ == SQLITE_BUSY || code_ == SQLITE_LOCKED; }
    // The user stopped a read of the action; its later reads are refused too.
    bool interrupted() const { return code_ == SQLITE_INTERRUPT; }
    // The database's message at the failure (UTF-8).
    const std::string& message() const { return message_; }
    // True for the watch of the whole action, the one that reports: an inner
    // watch hands its failure outward.
    bool outermost() const { return outer_ == nullptr; }

    // For ResultTable: the code a read of the connection must fail with before it
    // runs, SQLITE_OK when it may run.
    static int refusal(sqlite3* db);
    // For ResultTable: the result of a read that ran.
    static void note(sqlite3* db, int code);

private:
    friend class ConnectionHooks;

    sqlite3* db_;
    ReadFailureWatch* outer_ = nullptr;
    int code_ = SQLITE_OK;
    std::string message_;
};
