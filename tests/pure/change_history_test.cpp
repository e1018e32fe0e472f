#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "db/run_watch.h"
#include "history/change_history.h"
#include "tests/support/test_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Applied = ChangeHistory::Applied;

constexpr char kSchema[] =
    "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, n);"
    "CREATE TABLE plain(a, b);"
    "CREATE TABLE wr(k TEXT PRIMARY KEY, v) WITHOUT ROWID;";

// Every record of every table as another connection reads the file, row ids
// included.
Rows file_records(const std::string& path) {
    TestDb reader(path);
    Rows all;
    for (const char* query : {"SELECT 't', rowid, * FROM t ORDER BY rowid;",
                              "SELECT 'plain', rowid, * FROM plain ORDER BY rowid;",
                              "SELECT 'wr', * FROM wr ORDER BY k;"}) {
        for (auto& row : reader.rows(query)) {
            all.push_back(std::move(row));
        }
    }
    return all;
}

// The program's connection with its history, on a file set up with kSchema and a
// few records.
struct HistoryFile {
    TempDir dir;
    std::string path = dir.file("undo.db");
    TestDb db{path};
    ChangeHistory history;

    HistoryFile() {
        db.exec(kSchema);
        db.exec(
            "INSERT INTO t VALUES (1, 'one', 1), (2, 'two', 2), (3, 'three', 3);"
            "INSERT INTO plain VALUES ('x', 1), ('y', 2), ('z', 3);"
            "INSERT INTO wr VALUES ('a', 1), ('b', 2);");
        // A gap in the row ids of the table without a declared key: an undone
        // deletion must bring a record back under its own row id.
        db.exec("DELETE FROM plain WHERE a = 'y';");
        history.attach(db.handle());
    }

    ChangeHistory::StepEnd step(const std::string& sql) {
        RecordedStep recorded(&history);
        db.exec(sql);
        return recorded.finish();
    }
};

}  // namespace

// Each kind of change the user makes comes back whole with undo and goes again with
// redo, in every kind of table; the file is as it was, row ids included.
TEST(ChangeHistory, UndoAndRedoPutTheFileBackExactly) {
    const std::vector<std::string> steps = {
        "UPDATE t SET name = 'ONE' WHERE id = 1;",
        "INSERT INTO t(name, n) VALUES ('four', 4);",
        "DELETE FROM t WHERE id = 2;",
        "UPDATE plain SET b = 20 WHERE a = 'z';",
        "INSERT INTO plain VALUES ('w', 4);",
        "DELETE FROM plain WHERE a = 'x';",
        "UPDATE wr SET v = 10 WHERE k = 'a';",
        "INSERT INTO wr VALUES ('c', 3);",
        "DELETE FROM wr WHERE k = 'b';",
        // A key changed, and many records at once in two tables.
        "UPDATE t SET id = 30 WHERE id = 3;",
        "WITH RECURSIVE s(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM s WHERE i < 2100) "
        "INSERT INTO t SELECT i, 'n' || i, i FROM s;",
        "UPDATE t SET n = n * 2; UPDATE plain SET b = b || 'x';",
    };
    HistoryFile file;
    std::vector<Rows> states = {file_records(file.path)};
    for (const std::string& sql : steps) {
        ASSERT_EQ(file.step(sql), ChangeHistory::StepEnd::recorded) << sql;
        states.push_back(file_records(file.path));
    }
    for (std::size_t i = steps.size(); i > 0; --i) {
        ASSERT_EQ(file.history.undo().result, Applied::done) << steps[i - 1];
        EXPECT_EQ(file_records(file.path), states[i - 1]) << steps[i - 1];
    }
    EXPECT_FALSE(file.history.can_undo());
    EXPECT_EQ(file.history.undo().result, Applied::nothing);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        ASSERT_EQ(file.history.redo().result, Applied::done) << steps[i];
        EXPECT_EQ(file_records(file.path), states[i + 1]) << steps[i];
    }
    EXPECT_FALSE(file.history.can_redo());

    // The record to select after an undo: found by its row id where the table's
    // records are keyed by it.
    ASSERT_EQ(file.step("UPDATE plain SET b = 0 WHERE a = 'z'; UPDATE wr SET v = 0;"),
              ChangeHistory::StepEnd::recorded);
    ASSERT_EQ(file.step("UPDATE t SET n = 0 WHERE id = 101;"), ChangeHistory::StepEnd::recorded);
    ChangeHistory::Outcome undone = file.history.undo();
    EXPECT_EQ(undone.changed_rowid("t"), 101);
    EXPECT_FALSE(undone.changed_table("plain"));
    undone = file.history.undo();
    EXPECT_EQ(undone.changed_rowid("plain"), 3);
    EXPECT_TRUE(undone.changed_table("wr"));
    EXPECT_EQ(undone.changed_rowid("wr"), -1);

    // A new step after an undo leaves nothing to redo.
    file.history.undo();
    ASSERT_TRUE(file.history.can_redo());
    file.step("UPDATE t SET name = 'new' WHERE id = 1;");
    EXPECT_FALSE(file.history.can_redo());
}

// What a trigger or a cascading foreign key did belongs to the step: undo takes it
// back without running the trigger again.
TEST(ChangeHistory, TriggersAndCascadesAreUndoneWithTheirStep) {
    HistoryFile file;
    file.db.exec(
        "PRAGMA foreign_keys = ON;"
        "CREATE TABLE log(what);"
        "CREATE TRIGGER t_log AFTER UPDATE ON t BEGIN INSERT INTO log VALUES (new.name); END;"
        "CREATE TRIGGER t_gone AFTER DELETE ON t BEGIN INSERT INTO log VALUES ('gone'); END;"
        "CREATE TRIGGER t_new AFTER INSERT ON t BEGIN INSERT INTO log VALUES ('new'); END;"
        "CREATE TABLE child(id INTEGER PRIMARY KEY, parent REFERENCES t(id) ON DELETE CASCADE);"
        "INSERT INTO child VALUES (1, 1), (2, 1), (3, 2);");
    file.history.clear();
    const Rows log_before = file.db.rows("SELECT rowid, * FROM log;");
    const Rows children_before = file.db.rows("SELECT * FROM child;");

    ASSERT_EQ(file.step("UPDATE t SET name = 'uno' WHERE id = 1;"),
              ChangeHistory::StepEnd::recorded);
    ASSERT_EQ(file.step("DELETE FROM t WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    EXPECT_EQ(file.db.value("SELECT COUNT(*) FROM child;"), "1");
    ASSERT_EQ(file.history.undo().result, Applied::done);
    ASSERT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.db.rows("SELECT rowid, * FROM log;"), log_before);
    EXPECT_EQ(file.db.rows("SELECT * FROM child;"), children_before);
    EXPECT_EQ(file.db.value("SELECT name FROM t WHERE id = 1;"), "one");
}

// When another connection changed a record of the step since, undo stops with the
// table named and nothing changed, also where only the last record differs; the
// step stays to be undone once the record is back.
TEST(ChangeHistory, AChangeMadeElsewhereStopsTheWholeUndo) {
    HistoryFile file;
    ASSERT_EQ(file.step("UPDATE t SET n = n + 10;"), ChangeHistory::StepEnd::recorded);
    {
        TestDb other(file.path);
        other.exec("UPDATE t SET n = 99 WHERE id = 3;");
    }
    const Rows before = file_records(file.path);
    const ChangeHistory::Outcome outcome = file.history.undo();
    EXPECT_EQ(outcome.result, Applied::conflict);
    EXPECT_EQ(outcome.table, "t");
    EXPECT_EQ(file_records(file.path), before);
    EXPECT_TRUE(file.history.can_undo());

    {
        TestDb other(file.path);
        other.exec("UPDATE t SET n = 13 WHERE id = 3;");
    }
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.db.value("SELECT group_concat(n) FROM t;"), "1,2,3");

    // A record deleted elsewhere stops a redo that would change it; a record added
    // elsewhere under the same key stops an undone deletion.
    {
        TestDb other(file.path);
        other.exec("DELETE FROM t WHERE id = 2;");
    }
    EXPECT_EQ(file.history.redo().result, Applied::conflict);
    EXPECT_EQ(file.db.value("SELECT group_concat(n) FROM t;"), "1,3");
    ASSERT_EQ(file.step("DELETE FROM wr WHERE k = 'a';"), ChangeHistory::StepEnd::recorded);
    file.db.exec("INSERT INTO wr VALUES ('a', 'elsewhere');");
    const ChangeHistory::Outcome again = file.history.undo();
    EXPECT_EQ(again.result, Applied::conflict);
    EXPECT_EQ(again.table, "wr");
    EXPECT_EQ(file.db.value("SELECT v FROM wr WHERE k = 'a';"), "elsewhere");
}

// A schema statement, inside a step or between steps, ends what can be undone: the
// older changesets no longer fit the tables.
TEST(ChangeHistory, AChangeOfSchemaCutsTheHistory) {
    HistoryFile file;
    // With nothing to undo yet, a schema statement cuts nothing worth a word, and
    // an undo then finds nothing to undo rather than steps lost.
    EXPECT_EQ(file.step("CREATE TABLE first(a);"), ChangeHistory::StepEnd::nothing);
    EXPECT_EQ(file.history.undo().result, Applied::nothing);
    file.db.exec("CREATE TABLE second(a);");
    file.history.check_schema();
    EXPECT_EQ(file.history.undo().result, Applied::nothing);
    EXPECT_EQ(file.history.cut(), ChangeHistory::Cut::none);
    ASSERT_EQ(file.step("UPDATE t SET name = 'a' WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    EXPECT_EQ(file.step("UPDATE t SET name = 'b' WHERE id = 1; ALTER TABLE t ADD COLUMN c;"),
              ChangeHistory::StepEnd::cut);
    EXPECT_EQ(file.history.cut(), ChangeHistory::Cut::restructure);
    EXPECT_FALSE(file.history.can_undo());
    EXPECT_EQ(file.history.undo().result, Applied::cut);
    EXPECT_EQ(file.db.value("SELECT name FROM t WHERE id = 1;"), "b");

    // Steps after the cut are undone as usual, back to it.
    ASSERT_EQ(file.step("UPDATE t SET name = 'c' WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.history.undo().result, Applied::cut);

    // A restructure between steps (the structure editor) is found at the next look.
    ASSERT_EQ(file.step("UPDATE t SET name = 'd' WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    file.db.exec("CREATE INDEX t_name ON t(name);");
    file.history.check_schema();
    EXPECT_FALSE(file.history.can_undo());
    EXPECT_EQ(file.db.value("SELECT name FROM t WHERE id = 1;"), "d");

    // Open and New start afresh.
    file.history.clear();
    EXPECT_EQ(file.history.undo().result, Applied::nothing);
}

// A change the session cannot see (a virtual table, an attached file) cuts the
// history instead of leaving a step that would undo part of it.
TEST(ChangeHistory, ChangesOutOfTheSessionsSightCutTheHistory) {
    HistoryFile file;
    file.db.exec("CREATE VIRTUAL TABLE notes USING fts5(body);");
    file.db.exec("ATTACH '" + file.dir.file("other.db") + "' AS other;");
    file.db.exec("CREATE TABLE other.o(x);");
    file.history.clear();
    for (const char* sql : {"INSERT INTO notes VALUES ('hello'); UPDATE t SET n = 5;",
                            "INSERT INTO other.o VALUES (1); UPDATE t SET n = 6;"}) {
        ASSERT_EQ(file.step("UPDATE t SET n = 0;"), ChangeHistory::StepEnd::recorded);
        EXPECT_EQ(file.step(sql), ChangeHistory::StepEnd::cut) << sql;
        EXPECT_EQ(file.history.cut(), ChangeHistory::Cut::unfollowed);
        EXPECT_FALSE(file.history.can_undo());
    }
    // A temporary table is not in the file: its changes neither cut nor count.
    file.db.exec("CREATE TEMP TABLE scratch(x);");
    EXPECT_EQ(file.step("INSERT INTO scratch VALUES (1); UPDATE t SET n = 7;"),
              ChangeHistory::StepEnd::recorded);
}

// The memory bound drops the oldest steps first; a step larger than the bound is
// not kept at all.
TEST(ChangeHistory, TheMemoryBoundDropsTheOldestSteps) {
    HistoryFile file;
    file.history.set_memory_limit(4096);
    const std::string big(1000, 'b');
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(file.step("UPDATE t SET name = '" + big + std::to_string(i) + "' WHERE id = 1;"),
                  ChangeHistory::StepEnd::recorded);
    }
    EXPECT_LE(file.history.memory_used(), 4096u);
    EXPECT_GE(file.history.undo_steps(), 1u);
    EXPECT_LT(file.history.undo_steps(), 10u);
    while (file.history.can_undo()) {
        ASSERT_EQ(file.history.undo().result, Applied::done);
    }
    EXPECT_EQ(file.history.undo().result, Applied::cut);
    EXPECT_EQ(file.history.cut(), ChangeHistory::Cut::too_old);
    EXPECT_NE(file.db.value("SELECT name FROM t WHERE id = 1;"), "one");

    EXPECT_EQ(file.step("UPDATE t SET name = '" + std::string(5000, 'x') + "';"),
              ChangeHistory::StepEnd::cut);
    EXPECT_EQ(file.history.cut(), ChangeHistory::Cut::too_large);
}

// While a transaction begun in the SQL editor is open, undo and redo refuse; the
// steps recorded inside it stay.
TEST(ChangeHistory, AnOpenTransactionHoldsUndoBack) {
    HistoryFile file;
    ASSERT_EQ(file.step("UPDATE t SET n = 10 WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    ASSERT_EQ(file.step("BEGIN; UPDATE t SET n = 20 WHERE id = 1;"),
              ChangeHistory::StepEnd::recorded);
    EXPECT_EQ(file.history.undo().result, Applied::transaction_open);
    EXPECT_EQ(file.db.value("SELECT n FROM t WHERE id = 1;"), "20");
    file.db.exec("COMMIT;");
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.db.value("SELECT n FROM t WHERE id = 1;"), "1");
    // A step that changed nothing leaves the history as it was.
    EXPECT_EQ(file.step("UPDATE t SET n = n WHERE id = 0;"), ChangeHistory::StepEnd::nothing);
    EXPECT_TRUE(file.history.can_redo());
}

// When the file cannot be written at the end of an undo (another connection is
// reading it), nothing is undone, no transaction is left open, and the step can be
// undone once the file is free.
TEST(ChangeHistory, ALockedFileLeavesTheUndoUndoneAndNoTransactionOpen) {
    HistoryFile file;
    ASSERT_EQ(file.step("UPDATE t SET n = 50 WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    TestDb reader(file.path);
    reader.exec("BEGIN; SELECT COUNT(*) FROM t;");
    EXPECT_EQ(file.history.undo().result, Applied::failed);
    EXPECT_NE(sqlite3_get_autocommit(file.db.handle()), 0);
    EXPECT_EQ(reader.value("SELECT n FROM t WHERE id = 1;"), "50");
    reader.exec("COMMIT;");
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(reader.value("SELECT n FROM t WHERE id = 1;"), "1");
}

// Steps made inside a transaction that is then rolled back are gone with it: the
// step before the transaction is the next to undo.
TEST(ChangeHistory, ARolledBackTransactionTakesItsStepsAlong) {
    HistoryFile file;
    ASSERT_EQ(file.step("UPDATE t SET n = 10 WHERE id = 1;"), ChangeHistory::StepEnd::recorded);
    ASSERT_EQ(file.step("BEGIN; UPDATE t SET n = 20 WHERE id = 1;"),
              ChangeHistory::StepEnd::recorded);
    ASSERT_EQ(file.step("UPDATE t SET n = 30 WHERE id = 2;"), ChangeHistory::StepEnd::recorded);
    file.step("ROLLBACK;");
    EXPECT_EQ(file.history.undo_steps(), 1u);
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.db.value("SELECT group_concat(n) FROM t;"), "1,2,3");

    // After a commit the steps stay.
    ASSERT_EQ(file.step("BEGIN; UPDATE t SET n = 40 WHERE id = 3;"),
              ChangeHistory::StepEnd::recorded);
    file.step("COMMIT;");
    file.step("BEGIN; UPDATE t SET n = 50 WHERE id = 3; ROLLBACK;");
    EXPECT_EQ(file.history.undo_steps(), 1u);
    EXPECT_EQ(file.history.undo().result, Applied::done);
    EXPECT_EQ(file.db.value("SELECT group_concat(n) FROM t;"), "1,2,3");
}

// A change too large to keep must not first hold every old record in memory: a
// DELETE of a big table would take all the memory a 32-bit program has. Recording
// stops while the statement runs, and the change itself goes through whole.
TEST(ChangeHistory, AStepTooLargeToKeepStopsTakingMemoryWhileItRuns) {
    HistoryFile file;
    file.history.set_memory_limit(1 << 20);
    file.db.exec("CREATE TABLE big(v);");
    file.db.fill("INSERT INTO big VALUES (randomblob(2000) || ?1)", 20000);
    file.history.attach(file.db.handle());
    sqlite3_int64 before = sqlite3_memory_used();
    sqlite3_memory_highwater(1);
    // Nothing could be undone before it: the step cut nothing the user had.
    EXPECT_EQ(file.step("DELETE FROM big WHERE v IS NOT NULL;"), ChangeHistory::StepEnd::nothing);
    EXPECT_LT(sqlite3_memory_highwater(0) - before, 16 << 20);
    EXPECT_EQ(file.history.cut(), ChangeHistory::Cut::too_large);
    EXPECT_EQ(file.db.value("SELECT count(*) FROM big;"), "0");
    EXPECT_EQ(file.history.undo().result, Applied::cut);
    sqlite3_progress_handler(file.db.handle(), 0, nullptr, nullptr);
}
