#include "history/change_history.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "db/connection_hooks.h"
#include "db/sqlite_handles.h"

namespace {

constexpr int kUnknownVersion = -1;

int exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// What an apply met: the first conflict's table. Any conflict stops it, so that a
// step is applied whole or not at all.
struct ConflictContext {
    bool conflict = false;
    std::string table;
};

int on_conflict(void* context, int kind, sqlite3_changeset_iter* iter) {
    auto* conflicts = static_cast<ConflictContext*>(context);
    if (!conflicts->conflict) {
        conflicts->conflict = true;
        const char* table = nullptr;
        int columns = 0;
        int op = 0;
        // A foreign key conflict comes after the changes, with no change current.
        if (kind != SQLITE_CHANGESET_FOREIGN_KEY &&
            sqlite3changeset_op(iter, &table, &columns, &op, nullptr) == SQLITE_OK && table) {
            conflicts->table = table;
        }
    }
    return SQLITE_CHANGESET_ABORT;
}

// Whether a table's records are keyed by their row id in its changesets: a table
// without a declared key (followed by its row id, the changeset's first column) or
// one whose key is an alias of the row id.
bool keyed_by_rowid(sqlite3* db, const char* table, int changeset_columns) {
    const Statement statement =
        prepare_statement(db,
                          "SELECT COUNT(*), SUM(pk > 0), SUM(pk > 0 AND upper(type) = 'INTEGER'), "
                          "(SELECT wr FROM pragma_table_list WHERE schema = 'main' AND name = ?1) "
                          "FROM pragma_table_info(?1, 'main');");
    if (!statement) {
        return false;
    }
    sqlite3_bind_text(statement.get(), 1, table, -1, SQLITE_TRANSIENT);
    bool keyed = false;
    if (sqlite3_step(statement.get()) == SQLITE_ROW) {
        const int columns = sqlite3_column_int(statement.get(), 0);
        const int key_columns = sqlite3_column_int(statement.get(), 1);
        const int integer_keys = sqlite3_column_int(statement.get(), 2);
        const bool without_rowid = sqlite3_column_int(statement.get(), 3) != 0;
        keyed = !without_rowid && ((key_columns == 0 && changeset_columns == columns + 1) ||
                                   (key_columns == 1 && integer_keys == 1));
    }
    return keyed;
}

// The tables a changeset changes, in order, each with the row id of its first
// change where its records are keyed by their row id.
std::vector<std::pair<std::string, sqlite3_int64>> changed_records(sqlite3* db,
                                                                   int size,
                                                                   void* data) {
    std::vector<std::pair<std::string, sqlite3_int64>> changed;
    sqlite3_changeset_iter* raw = nullptr;
    if (sqlite3changeset_start(&raw, size, data) != SQLITE_OK) {
        return changed;
    }
    ChangesetIter iter(raw);
    while (sqlite3changeset_next(iter.get()) == SQLITE_ROW) {
        const char* table = nullptr;
        int columns = 0;
        int op = 0;
        if (sqlite3changeset_op(iter.get(), &table, &columns, &op, nullptr) != SQLITE_OK ||
            !table) {
            continue;
        }
        if (!changed.empty() && changed.back().first == table) {
            continue;
        }
        sqlite3_int64 rowid = -1;
        unsigned char* key = nullptr;
        int key_columns = 0;
        sqlite3changeset_pk(iter.get(), &key, &key_columns);
        int key_count = 0;
        int key_index = -1;
        for (int i = 0; key && i < key_columns; ++i) {
            if (key[i]) {
                ++key_count;
                key_index = i;
            }
        }
        if (key_count == 1 && keyed_by_rowid(db, table, columns)) {
            sqlite3_value* value = nullptr;
            if (op == SQLITE_INSERT) {
                sqlite3changeset_new(iter.get(), key_index, &value);
            } else {
                sqlite3changeset_old(iter.get(), key_index, &value);
            }
            if (value && sqlite3_value_type(value) == SQLITE_INTEGER) {
                rowid = sqlite3_value_int64(value);
            }
        }
        changed.emplace_back(table, rowid);
    }
    return changed;
}

// Triggers stay quiet while a changeset is applied: what they did when the step
// ran is in the changeset already, and firing them again would add to it.
class TriggersOff {
public:
    explicit TriggersOff(sqlite3* db) : db_(db) {
        sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, &was_on_);
    }
    ~TriggersOff() { sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, was_on_, nullptr); }
    TriggersOff(const TriggersOff&) = delete;
    TriggersOff& operator=(const TriggersOff&) = delete;

private:
    sqlite3* db_;
    int was_on_ = 1;
};

}  // namespace

sqlite3_int64 ChangeHistory::Outcome::changed_rowid(const std::string& name) const {
    for (const auto& entry : changed) {
        if (entry.first == name) {
            return entry.second;
        }
    }
    return -1;
}

bool ChangeHistory::Outcome::changed_table(const std::string& name) const {
    for (const auto& entry : changed) {
        if (entry.first == name) {
            return true;
        }
    }
    return false;
}

ChangeHistory::~ChangeHistory() {
    attach(nullptr);
}

void ChangeHistory::attach(sqlite3* db) {
    if (depth_ > 0) {
        stop_listening();
        stop_recording();
    }
    depth_ = 0;
    db_ = db;
    clear();
}

void ChangeHistory::clear() {
    undo_.clear();
    redo_.clear();
    memory_used_ = 0;
    transaction_steps_ = 0;
    cut_ = Cut::none;
    schema_version_ = schema_version();
}

int ChangeHistory::schema_version() const {
    if (!db_) {
        return 0;
    }
    const Statement statement = prepare_statement(db_, "PRAGMA main.schema_version;");
    return statement && sqlite3_step(statement.get()) == SQLITE_ROW
               ? sqlite3_column_int(statement.get(), 0)
               : kUnknownVersion;
}

bool ChangeHistory::cut_here(Cut reason) {
    const bool dropped = !undo_.empty() || !redo_.empty();
    undo_.clear();
    redo_.clear();
    memory_used_ = 0;
    transaction_steps_ = 0;
    // A restructure with nothing to undo loses nothing: there is nothing to tell.
    // A change too large or out of sight is itself what cannot be undone.
    if (dropped || reason != Cut::restructure) {
        cut_ = reason;
    }
    return dropped;
}

ChangeHistory::StepEnd ChangeHistory::cut_at_step(Cut reason) {
    return cut_here(reason) ? StepEnd::cut : StepEnd::nothing;
}

void ChangeHistory::check_schema() {
    if (depth_ > 0) {
        return;
    }
    const int version = schema_version();
    // A file that cannot be read now (another program's lock) shows no change.
    if (version == kUnknownVersion || version == schema_version_) {
        return;
    }
    const bool known = schema_version_ != kUnknownVersion;
    schema_version_ = version;
    if (known) {
        cut_here(Cut::restructure);
    }
}

void ChangeHistory::listen() {
    step_check_ = HookListener::progress(db_, [this] {
        check_recording();
        return false;
    });
    writes_ = HookListener(
        db_, [this](int action, const char* table, const char*, const char* database, const char*) {
            if ((action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE) &&
                table) {
                written_.emplace(database ? database : "main", table);
            }
            return SQLITE_OK;
        });
    rolled_back_ = false;
    rollback_ = HookListener::rollback(db_, [this] { rolled_back_ = true; });
}

void ChangeHistory::stop_listening() {
    step_check_.reset();
    writes_.reset();
    rollback_.reset();
}

void ChangeHistory::begin_step(StepScope scope) {
    if (!db_ || depth_++ > 0) {
        return;
    }
    step_may_restructure_ = scope == StepScope::anything;
    // The schema as last seen, without a read of its own: under Wine each read
    // outside the step's statements locks and unlocks the file through the Wine
    // server. A schema changed since (by another program) shows at the step's end,
    // and cuts the history there.
    step_schema_version_ = schema_version_;
    written_.clear();
    sqlite3_session* created = nullptr;
    const int code = sqlite3session_create(db_, "main", &created);
    Session session(created);
    if (code != SQLITE_OK) {
        return;
    }
    // Tables without a declared primary key are followed by their row id.
    int rowid_tables = 1;
    if (sqlite3session_object_config(session.get(), SQLITE_SESSION_OBJCONFIG_ROWID,
                                     &rowid_tables) != SQLITE_OK ||
        sqlite3session_attach(session.get(), nullptr) != SQLITE_OK) {
        return;
    }
    session_ = std::move(session);
    outgrown_ = false;
    listen();
}

bool ChangeHistory::wrote_unfollowed_table() {
    for (const auto& written : written_) {
        const std::string& database = written.first;
        if (database == "temp") {
            // Gone with the connection: nothing of it is in the file.
            continue;
        }
        if (database != "main") {
            return true;
        }
        // A virtual table changes through its own code, out of the session's sight,
        // and its shadow tables are its own business. What a table is holds until
        // the schema changes: most steps write a table an earlier step wrote.
        if (table_kinds_version_ != step_schema_version_ ||
            step_schema_version_ == kUnknownVersion) {
            table_kinds_.clear();
            table_kinds_version_ = step_schema_version_;
        }
        const auto known = table_kinds_.find(written.second);
        if (known != table_kinds_.end()) {
            if (known->second) {
                return true;
            }
            continue;
        }
        bool unfollowed = false;
        if (const Statement statement =
                prepare_statement(db_,
                                  "SELECT type FROM pragma_table_list WHERE schema = 'main' "
                                  "AND name = ?1 COLLATE NOCASE;")) {
            sqlite3_bind_text(statement.get(), 1, written.second.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(statement.get()) == SQLITE_ROW) {
                const auto* type =
                    reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
                unfollowed =
                    type && (std::strcmp(type, "virtual") == 0 || std::strcmp(type, "shadow") == 0);
            }
        }
        table_kinds_[written.second] = unfollowed;
        if (unfollowed) {
            return true;
        }
    }
    return false;
}

ChangeHistory::StepEnd ChangeHistory::end_step() {
    if (!db_ || depth_ == 0 || --depth_ > 0) {
        return StepEnd::nothing;
    }
    stop_listening();
    const Session session = std::move(session_);
    if (session && rolled_back_) {
        // What the steps inside the transaction changed is gone already.
        for (; transaction_steps_ > 0 && !undo_.empty(); --transaction_steps_) {
            memory_used_ -= undo_.back().changeset.size();
            undo_.pop_back();
        }
    }
    transaction_steps_ = sqlite3_get_autocommit(db_) != 0 ? 0 : transaction_steps_;
    if (outgrown_) {
        outgrown_ = false;
        return cut_at_step(Cut::too_large);
    }
    if (!session) {
        // Nothing could follow the step: what it changed cannot be undone.
        return cut_at_step(Cut::unfollowed);
    }
    const bool unfollowed = wrote_unfollowed_table();
    int size = 0;
    void* data = nullptr;
    const int code = sqlite3session_changeset(session.get(), &size, &data);
    SqliteBuffer owned(data);

    // A schema changed by another program since the last look shows here too, or
    // at the latest before anything is undone.
    const int version = step_may_restructure_ ? schema_version() : step_schema_version_;
    if (version != kUnknownVersion && step_schema_version_ != kUnknownVersion &&
        version != step_schema_version_) {
        // A schema statement: its effect is in no changeset.
        schema_version_ = version;
        return cut_at_step(Cut::restructure);
    }
    if (unfollowed) {
        return cut_at_step(Cut::unfollowed);
    }
    if (code == SQLITE_OK && size <= 0) {
        return StepEnd::nothing;
    }
    // A changeset that could not be made at all ran out of memory, most likely.
    if (code != SQLITE_OK || static_cast<std::size_t>(size) > memory_limit_) {
        return cut_at_step(Cut::too_large);
    }
    Step step;
    const auto* bytes = static_cast<const unsigned char*>(data);
    step.changeset.assign(bytes, bytes + size);
    memory_used_ += step.changeset.size();
    for (const Step& dropped : redo_) {
        memory_used_ -= dropped.changeset.size();
    }
    redo_.clear();
    undo_.push_back(std::move(step));
    if (sqlite3_get_autocommit(db_) == 0) {
        ++transaction_steps_;
    }
    keep_within_limit();
    return StepEnd::recorded;
}

void ChangeHistory::check_recording() {
    if (session_ && static_cast<std::uint64_t>(sqlite3session_memory_used(session_.get())) >
                        static_cast<std::uint64_t>(memory_limit_) * kSessionMemoryFactor) {
        stop_recording();
        outgrown_ = true;
    }
}

void ChangeHistory::give_up_step() {
    if (session_) {
        stop_recording();
        outgrown_ = true;
    }
}

void ChangeHistory::stop_recording() {
    // Between two steps of a statement, never inside one of the session's own
    // callbacks: the statement goes on unrecorded.
    session_.reset();
}

void ChangeHistory::keep_within_limit() {
    while (memory_used_ > memory_limit_ && !undo_.empty()) {
        memory_used_ -= undo_.front().changeset.size();
        undo_.pop_front();
        cut_ = Cut::too_old;
    }
    transaction_steps_ = std::min(transaction_steps_, undo_.size());
}

ChangeHistory::Outcome ChangeHistory::apply(const Step& step, bool invert) {
    Outcome outcome;
    int size = static_cast<int>(step.changeset.size());
    void* data = const_cast<unsigned char*>(step.changeset.data());
    SqliteBuffer inverted;
    if (invert) {
        void* inverse = nullptr;
        const int code = sqlite3changeset_invert(size, data, &size, &inverse);
        inverted.reset(inverse);
        if (code != SQLITE_OK) {
            outcome.result = Applied::failed;
            return outcome;
        }
        data = inverse;
    }

    ConflictContext conflicts;
    int code = exec(db_, "SAVEPOINT korv_history;");
    if (code == SQLITE_OK) {
        TriggersOff quiet(db_);
        // What foreign key actions did when the step ran is in the changeset too.
        code = sqlite3changeset_apply_v2(db_, size, data, nullptr, on_conflict, &conflicts, nullptr,
                                         nullptr, SQLITE_CHANGESETAPPLY_FKNOACTION);
        if (code == SQLITE_OK && !conflicts.conflict) {
            // Releasing the outermost savepoint commits: deferred checks come now.
            code = exec(db_, "RELEASE korv_history;");
        }
        if (code != SQLITE_OK || conflicts.conflict) {
            exec(db_, "ROLLBACK TO korv_history;");
            if (exec(db_, "RELEASE korv_history;") != SQLITE_OK) {
                // Undo starts outside any transaction and must not leave one open.
                exec(db_, "ROLLBACK;");
            }
        }
    }
    if (conflicts.conflict) {
        outcome.result = Applied::conflict;
        outcome.table = conflicts.table;
        return outcome;
    }
    if (code != SQLITE_OK) {
        outcome.result = Applied::failed;
        outcome.code = code;
        return outcome;
    }
    outcome.result = Applied::done;
    outcome.changed = changed_records(db_, size, data);
    return outcome;
}

ChangeHistory::Outcome ChangeHistory::undo() {
    Outcome outcome;
    if (!db_ || depth_ > 0) {
        return outcome;
    }
    if (sqlite3_get_autocommit(db_) == 0) {
        outcome.result =
            (undo_.empty() && cut_ == Cut::none) ? Applied::nothing : Applied::transaction_open;
        return outcome;
    }
    check_schema();
    if (undo_.empty()) {
        outcome.result = cut_ == Cut::none ? Applied::nothing : Applied::cut;
        return outcome;
    }
    outcome = apply(undo_.back(), true);
    if (outcome.result == Applied::done) {
        redo_.push_back(std::move(undo_.back()));
        undo_.pop_back();
    }
    return outcome;
}

ChangeHistory::Outcome ChangeHistory::redo() {
    Outcome outcome;
    if (!db_ || depth_ > 0 || redo_.empty()) {
        return outcome;
    }
    if (sqlite3_get_autocommit(db_) == 0) {
        outcome.result = Applied::transaction_open;
        return outcome;
    }
    check_schema();
    if (redo_.empty()) {
        outcome.result = Applied::nothing;
        return outcome;
    }
    outcome = apply(redo_.back(), false);
    if (outcome.result == Applied::done) {
        undo_.push_back(std::move(redo_.back()));
        redo_.pop_back();
    }
    return outcome;
}
