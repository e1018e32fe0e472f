#include "db/read_watch.h"

#include "db/sql_error.h"

namespace {

// Everything runs on the one GUI thread.
ReadFailureWatch* current_watch = nullptr;

}  // namespace

ReadFailureWatch::ReadFailureWatch() : outer_(current_watch) {
    current_watch = this;
}

ReadFailureWatch::~ReadFailureWatch() {
    current_watch = outer_;
    // What an inner action could not read, the outer one could not either.
    if (outer_ && failed() && !outer_->failed()) {
        outer_->code_ = code_;
        outer_->message_ = message_;
    }
}

int ReadFailureWatch::refusal() {
    for (const ReadFailureWatch* watch = current_watch; watch; watch = watch->outer_) {
        if (watch->busy() || watch->interrupted()) {
            return watch->code_;
        }
    }
    return SQLITE_OK;
}

void ReadFailureWatch::note(sqlite3* db, int code) {
    const int primary = code & 0xff;
    if (!current_watch || current_watch->failed() ||
        (!is_unreadable_failure(primary) && primary != SQLITE_INTERRUPT)) {
        return;
    }
    current_watch->code_ = primary;
    // A refused read made no call: the connection's message is not about it.
    current_watch->message_ = connection_message(db, primary);
}
