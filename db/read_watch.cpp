#include "db/read_watch.h"

#include "db/connection_hooks.h"
#include "db/sql_error.h"

namespace {

ReadFailureWatch* innermost(sqlite3* db) {
    ConnectionHooks* hooks = ConnectionHooks::find(db);
    return hooks ? hooks->read_watch : nullptr;
}

}  // namespace

ReadFailureWatch::ReadFailureWatch(sqlite3* db) : db_(db) {
    if (ConnectionHooks* hooks = ConnectionHooks::of(db_)) {
        outer_ = hooks->read_watch;
        hooks->read_watch = this;
    } else {
        db_ = nullptr;
    }
}

ReadFailureWatch::~ReadFailureWatch() {
    if (!db_) {
        return;
    }
    if (ConnectionHooks* hooks = ConnectionHooks::find(db_)) {
        hooks->read_watch = outer_;
    }
    // What an inner action could not read, the outer one could not either.
    if (outer_ && failed() && !outer_->failed()) {
        outer_->code_ = code_;
        outer_->message_ = message_;
    }
}

int ReadFailureWatch::refusal(sqlite3* db) {
    for (const ReadFailureWatch* watch = innermost(db); watch; watch = watch->outer_) {
        if (watch->busy() || watch->interrupted()) {
            return watch->code_;
        }
    }
    return SQLITE_OK;
}

void ReadFailureWatch::note(sqlite3* db, int code) {
    const int primary = code & 0xff;
    ReadFailureWatch* watch = innermost(db);
    if (!watch || watch->failed() ||
        (!is_unreadable_failure(primary) && primary != SQLITE_INTERRUPT)) {
        return;
    }
    watch->code_ = primary;
    // A refused read made no call: the connection's message is not about it.
    watch->message_ = connection_message(db, primary);
}
