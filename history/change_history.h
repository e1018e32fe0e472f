#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "db/connection_hooks.h"
#include "db/sqlite_handles.h"

// Undo and redo of the user's changes to records. Each action that changes records
// (a cell edit, a new record, a deletion, one run of the SQL editor) is one step:
// a session records it while it runs, and what it changed is kept as a changeset.
// Undo applies the inverse of the last step, redo the step again, each whole or not
// at all. Nothing here touches a window; the main window owns one history for the
// open database.
class ChangeHistory {
public:
    // All steps together keep at most this many bytes of changesets; the oldest go
    // first.
    static constexpr std::size_t kDefaultMemoryLimit = std::size_t{64} << 20;
    // A session holds a step's old records less tightly than its changeset; past
    // this many times the limit the step cannot fit, and recording stops at once
    // rather than after the statement has gathered every record it changed.
    static constexpr std::size_t kSessionMemoryFactor = 4;

    // Why the steps before a point can no longer be undone.
    enum class Cut {
        none,
        restructure,  // a table's definition changed (their changesets no longer fit)
        unfollowed,   // a change the session cannot see (a virtual or attached table)
        too_large,    // a step bigger than the memory bound
        too_old,      // dropped to keep within the memory bound
    };

    // How a step ended: nothing kept, kept as a step, or the history cut with
    // steps that could have been undone or redone until then.
    enum class StepEnd { nothing, recorded, cut };

    enum class Applied {
        done,
        nothing,           // no step to undo or redo
        cut,               // the steps before the cut cannot be undone (see cut())
        transaction_open,  // a transaction begun in the SQL editor is still open
        conflict,          // the records changed since: nothing was applied
        failed,            // the database refused: nothing was applied
    };

    struct Outcome {
        Applied result = Applied::nothing;
        // For `failed`: the database's result code (SQLITE_AUTH where the program
        // itself refused the write).
        int code = SQLITE_OK;
        // For a conflict: the table (UTF-8) whose records changed since; empty when
        // the database did not say.
        std::string table;
        // After `done`: the tables changed, and for each the row id of its first
        // changed record where the record is keyed by one integer (-1 otherwise).
        std::vector<std::pair<std::string, sqlite3_int64>> changed;
        // The row id of the first changed record of `table`, or -1.
        sqlite3_int64 changed_rowid(const std::string& table) const;
        bool changed_table(const std::string& table) const;
    };

    ChangeHistory() = default;
    ChangeHistory(const ChangeHistory&) = delete;
    ChangeHistory& operator=(const ChangeHistory&) = delete;
    ~ChangeHistory();

    // Follows the database (null: none) with an empty history.
    void attach(sqlite3* db);
    // Forgets every step (a database opened, created or closed).
    void clear();
    sqlite3* database() const { return db_; }

    void set_memory_limit(std::size_t bytes) { memory_limit_ = bytes; }
    std::size_t memory_used() const { return memory_used_; }

    // What a step's statements may change. The grid's own statements change
    // records only (no trigger or key action can change a table's definition); the
    // SQL editor's and an import's may change tables as well, which the step's end
    // looks for.
    enum class StepScope { records, anything };

    // Starts and ends recording one step. Steps begun inside a step belong to it.
    void begin_step(StepScope scope = StepScope::anything);
    StepEnd end_step();
    // The step under way will change more than the history can keep (a value
    // larger than its memory): recording stops now, before the session gathers
    // it, and the step's end cuts the history.
    void give_up_step();
    std::size_t memory_limit() const { return memory_limit_; }
    // The reason of the last cut; Cut::none when nothing was cut since the history
    // began.
    Cut cut() const { return cut_; }
    // Cuts the history when the schema has changed since the last look: a table
    // restructured or dropped outside a step (structure editor, CSV import).
    void check_schema();

    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    std::size_t undo_steps() const { return undo_.size(); }

    Outcome undo();
    Outcome redo();

private:
    struct Step {
        std::vector<unsigned char> changeset;
    };

    // Follows the step's writes, a rollback and the session's growth through the
    // connection's hooks, until stop_listening.
    void listen();
    void stop_listening();

    int schema_version() const;
    // The step writes a table the session cannot follow.
    bool wrote_unfollowed_table();
    // Forgets every step; true when there were any.
    bool cut_here(Cut reason);
    // The end of a step that cut the history.
    StepEnd cut_at_step(Cut reason);
    void keep_within_limit();
    // Ends the recording of a step whose session holds more than a step may: the
    // step will be cut, and what the session held is given back at once.
    void check_recording();
    void stop_recording();
    Outcome apply(const Step& step, bool invert);

    sqlite3* db_ = nullptr;
    std::deque<Step> undo_;
    std::vector<Step> redo_;
    std::size_t memory_used_ = 0;
    std::size_t memory_limit_ = kDefaultMemoryLimit;
    Cut cut_ = Cut::none;
    int schema_version_ = 0;

    // The step being recorded.
    int depth_ = 0;
    Session session_;
    int step_schema_version_ = 0;
    // Tables (database, table) that the step's statements write, as the
    // authorizer saw them.
    std::set<std::pair<std::string, std::string>> written_;
    // The step rolled a transaction back.
    bool rolled_back_ = false;
    HookListener writes_;
    HookListener rollback_;
    HookListener step_check_;
    // Whether a table of the main database is out of the session's sight (a
    // virtual or shadow table), as far as steps have asked, for the schema
    // version they asked under.
    std::map<std::string, bool> table_kinds_;
    int table_kinds_version_ = 0;
    // The step's statements may change the schema.
    bool step_may_restructure_ = true;
    // The step outgrew the memory a step may hold while it ran.
    bool outgrown_ = false;
    // The newest steps that were recorded inside the transaction still open: a
    // rollback takes them along.
    std::size_t transaction_steps_ = 0;
};

// Records one step for as long as it lives; a null history records nothing.
class RecordedStep {
public:
    explicit RecordedStep(ChangeHistory* history,
                          ChangeHistory::StepScope scope = ChangeHistory::StepScope::anything)
        : history_(history) {
        if (history_) {
            history_->begin_step(scope);
        }
    }
    ~RecordedStep() { finish(); }
    RecordedStep(const RecordedStep&) = delete;
    RecordedStep& operator=(const RecordedStep&) = delete;

    // Ends the step before the scope does; what became of it.
    ChangeHistory::StepEnd finish() {
        ChangeHistory* history = history_;
        history_ = nullptr;
        return history ? history->end_step() : ChangeHistory::StepEnd::nothing;
    }

private:
    ChangeHistory* history_;
};
