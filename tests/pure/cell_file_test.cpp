// A cell's value to a real file and back, read byte for byte, and what the
// database holds after a load that went through, stopped or was refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "db/run_watch.h"
#include "grid/cell_file.h"
#include "history/change_history.h"
#include "tests/support/test_support.h"

namespace {

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

std::string random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// Has the run stop at its first piece, as Esc pressed at once would.
class StopAtOnce {
public:
    explicit StopAtOnce(sqlite3* db) : db_(db) {
        run_watch::reset(db_);
        run_watch::set_poll(db_, [] { return true; });
    }
    ~StopAtOnce() {
        run_watch::set_poll(db_, {});
        run_watch::reset(db_);
    }
    // The progress callback: a slow disk, on which the user presses Esc.
    CellFileProgress progress() const {
        return [db = db_](std::int64_t, std::int64_t) {
            for (int i = 0; i < 1000 && !run_watch::tick(db); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        };
    }

private:
    sqlite3* db_;
};

class CellFileTest : public testing::Test {
protected:
    void SetUp() override {
        db.exec(
            "CREATE TABLE t(id INTEGER PRIMARY KEY, v);"
            "CREATE TABLE k(name TEXT PRIMARY KEY, v) WITHOUT ROWID;"
            "INSERT INTO t VALUES (1, x'0102'), (2, NULL), (3, 42), (4, 1.5);"
            "INSERT INTO k VALUES ('a', x'0102');");
    }

    static CellFileTarget in_t(RowId id) {
        CellFileTarget target;
        target.cell.table = "t";
        target.cell.column = "v";
        target.cell.rowid_name = "id";
        target.cell.rowid = id;
        return target;
    }
    static CellFileTarget in_k() {
        CellFileTarget target;
        target.cell.table = "k";
        target.cell.column = "v";
        target.cell.condition = "\"name\" = 'a'";
        target.cell.has_rowid = false;
        return target;
    }

    CellFileOutcome::Status save(const CellFileTarget& target,
                                 FileEncoding encoding = FileEncoding::utf8) {
        return save_cell_file(db.handle(), target, saved, encoding).status;
    }
    CellFileOutcome::Status load(const CellFileTarget& target,
                                 const std::string& bytes,
                                 bool as_text = false,
                                 FileEncoding encoding = FileEncoding::utf8) {
        write_file(source, bytes);
        return load_cell_file(db.handle(), target, source, as_text, encoding).status;
    }

    TempDir dir;
    TestDb db{dir.file("cells.db")};
    std::string saved = dir.file("saved.bin");
    std::string source = dir.file("source.bin");
};

}  // namespace

// Random bytes of every length that matters go in and come out as they were, in a
// table with row ids (piece by piece) and one without (whole).
TEST_F(CellFileTest, BytesRoundTripThroughLoadAndSave) {
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, kCellFileChunk, kCellFileChunk * 2 + 17}) {
        const std::string bytes = random_bytes(size, static_cast<unsigned>(size));
        for (const CellFileTarget& target : {in_t(1), in_k()}) {
            ASSERT_EQ(load(target, bytes), CellFileOutcome::done) << size;
            EXPECT_EQ(db.value("SELECT typeof(v) || length(v) FROM " + target.cell.table +
                               " WHERE " + target.cell.where()),
                      "blob" + std::to_string(size));
            std::remove(saved.c_str());
            ASSERT_EQ(save(target), CellFileOutcome::done) << size;
            EXPECT_TRUE(file_bytes(saved) == bytes) << size << " " << target.cell.table;
        }
    }
}

// A text in the file's chosen encoding, with characters cut across the pieces it
// is read in; a number as its text; NULL is nothing to save.
TEST_F(CellFileTest, TextsAndNumbersAreSavedInTheChosenEncoding) {
    std::string utf8;
    while (utf8.size() < kCellFileChunk * 2) {
        utf8 += u8"写真と文書。";
    }
    const std::string sjis = ansi_of(utf8);
    ASSERT_EQ(load(in_t(1), utf8, true, FileEncoding::utf8), CellFileOutcome::done);
    EXPECT_EQ(db.value("SELECT typeof(v) FROM t WHERE id = 1"), "text");
    ASSERT_EQ(save(in_t(1), FileEncoding::shift_jis), CellFileOutcome::done);
    EXPECT_TRUE(file_bytes(saved) == sjis);
    ASSERT_EQ(save(in_t(1), FileEncoding::utf8_bom), CellFileOutcome::done);
    EXPECT_TRUE(file_bytes(saved) == "\xEF\xBB\xBF" + utf8);

    ASSERT_EQ(load(in_k(), sjis, true, FileEncoding::shift_jis), CellFileOutcome::done);
    EXPECT_TRUE(db.value("SELECT v FROM k") == utf8);

    ASSERT_EQ(save(in_t(3)), CellFileOutcome::done);
    EXPECT_EQ(file_bytes(saved), "42");
    ASSERT_EQ(save(in_t(4)), CellFileOutcome::done);
    EXPECT_EQ(file_bytes(saved), "1.5");
    std::remove(saved.c_str());
    EXPECT_EQ(save(in_t(2)), CellFileOutcome::null_value);
    EXPECT_EQ(save(in_t(9)), CellFileOutcome::missing);
    EXPECT_FALSE(exists(saved));
}

// A character Shift-JIS cannot hold writes no file; a file that is not text in the
// chosen encoding changes nothing.
TEST_F(CellFileTest, WhatTheEncodingCannotHoldIsRefusedWhole) {
    write_file(saved, "kept");
    db.exec(u8"UPDATE t SET v = 'smile \xF0\x9F\x98\x80' WHERE id = 1");
    EXPECT_EQ(save(in_t(1), FileEncoding::shift_jis), CellFileOutcome::not_representable);
    EXPECT_EQ(file_bytes(saved), "kept");
    EXPECT_FALSE(exists(saved + ".part"));

    EXPECT_EQ(load(in_t(3), "\xFF\xFE bad", true, FileEncoding::utf8), CellFileOutcome::not_text);
    EXPECT_EQ(db.value("SELECT v FROM t WHERE id = 3"), "42");
}

// Esc during a save leaves no file under the name and none beside it, and a file
// that was there as it was; during a load, the cell as it was.
TEST_F(CellFileTest, AStoppedSaveOrLoadLeavesEverythingAsItWas) {
    const std::string big = random_bytes(kCellFileChunk * 3, 7);
    ASSERT_EQ(load(in_t(1), big), CellFileOutcome::done);
    write_file(saved, "kept");
    {
        StopAtOnce stop(db.handle());
        EXPECT_EQ(
            save_cell_file(db.handle(), in_t(1), saved, FileEncoding::utf8, stop.progress()).status,
            CellFileOutcome::stopped);
    }
    EXPECT_EQ(file_bytes(saved), "kept");
    EXPECT_FALSE(exists(saved + ".part"));

    write_file(source, random_bytes(kCellFileChunk * 3, 8));
    {
        StopAtOnce stop(db.handle());
        EXPECT_EQ(
            load_cell_file(db.handle(), in_t(1), source, false, FileEncoding::utf8, stop.progress())
                .status,
            CellFileOutcome::stopped);
    }
    EXPECT_TRUE(db.value("SELECT v FROM t WHERE id = 1") == big);
}

// A read-only database, a file longer than SQLite takes and a record gone meanwhile
// are refused, the database as it was.
TEST_F(CellFileTest, ARefusedLoadChangesNothing) {
    write_file(source, "new bytes");
    {
        sqlite3* read_only = nullptr;
        ASSERT_EQ(
            sqlite3_open_v2(utf8_of(db.path()).c_str(), &read_only, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
        EXPECT_EQ(load_cell_file(read_only, in_t(3), source, false, FileEncoding::utf8).status,
                  CellFileOutcome::read_only);
        sqlite3_close(read_only);
    }
    // The lowest limit SQLite lets a connection set.
    sqlite3_limit(db.handle(), SQLITE_LIMIT_LENGTH, 30);
    const std::string longer(31, 'x');
    EXPECT_EQ(load(in_t(3), longer), CellFileOutcome::too_large);
    EXPECT_EQ(load(in_t(3), longer, true), CellFileOutcome::too_large);
    sqlite3_limit(db.handle(), SQLITE_LIMIT_LENGTH, 1000000);
    EXPECT_EQ(load(in_t(9), "gone"), CellFileOutcome::missing);
    EXPECT_EQ(db.rows("SELECT id, v FROM t ORDER BY id"),
              (std::vector<std::vector<std::string>>{
                  {"1", "\x01\x02"}, {"2", "<NULL>"}, {"3", "42"}, {"4", "1.5"}}));
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "4");
}

// A load is one step: undo gives the cell its old value back, redo the file's.
TEST_F(CellFileTest, UndoTakesALoadBack) {
    ChangeHistory history;
    history.attach(db.handle());
    const std::string bytes = random_bytes(kCellFileChunk + 5, 3);
    {
        RecordedStep step(&history, ChangeHistory::StepScope::records);
        ASSERT_EQ(load(in_t(3), bytes), CellFileOutcome::done);
    }
    ASSERT_EQ(history.undo().result, ChangeHistory::Applied::done);
    EXPECT_EQ(db.value("SELECT typeof(v) || ':' || v FROM t WHERE id = 3"), "integer:42");
    ASSERT_EQ(history.redo().result, ChangeHistory::Applied::done);
    EXPECT_TRUE(db.value("SELECT v FROM t WHERE id = 3") == bytes);
    history.attach(nullptr);
}

// A run that gives up by an exception half way (the progress text cannot be
// made when memory runs out) takes back what it wrote and leaves no transaction
// open, which a later change would otherwise commit with it; a save leaves no
// file.
TEST_F(CellFileTest, ARunEndedByAnExceptionLeavesNothingHalfDone) {
    const CellFileProgress fails = [](std::int64_t, std::int64_t) { throw std::bad_alloc(); };
    const std::string big = random_bytes(kCellFileChunk * 2, 9);
    write_file(source, big);
    EXPECT_THROW(load_cell_file(db.handle(), in_t(3), source, false, FileEncoding::utf8, fails),
                 std::bad_alloc);
    EXPECT_NE(sqlite3_get_autocommit(db.handle()), 0);
    EXPECT_EQ(db.value("SELECT quote(v) FROM t WHERE id = 3"), "42");

    ASSERT_EQ(load(in_t(1), big), CellFileOutcome::done);
    EXPECT_THROW(save_cell_file(db.handle(), in_t(1), saved, FileEncoding::utf8, fails),
                 std::bad_alloc);
    EXPECT_FALSE(exists(saved));
    EXPECT_FALSE(exists(saved + ".part"));
}

// A value larger than the memory SQLite may take: where the record has a row id it
// moves piece by piece, a text as well as a BLOB; where it moves whole (a table
// without row ids) it is refused as such: no file, and the cell as it was.
TEST_F(CellFileTest, AValueTooLargeForMemoryIsRefusedAsSuch) {
    const std::string big = random_bytes(kCellFileChunk * 16, 11);
    std::string text;
    while (text.size() < big.size()) {
        text += u8"写真と文書。";
    }
    ASSERT_EQ(load(in_k(), big), CellFileOutcome::done);
    ASSERT_EQ(load(in_t(1), big), CellFileOutcome::done);
    ASSERT_EQ(load(in_t(3), text, true), CellFileOutcome::done);
    const std::string saved_text = dir.file("saved.txt");
    const sqlite3_int64 limit = sqlite3_hard_heap_limit64(-1);
    sqlite3_hard_heap_limit64(sqlite3_memory_used() + kCellFileChunk * 4);
    const CellFileOutcome::Status saving_blob = save(in_t(1));
    const CellFileOutcome::Status saving_text =
        save_cell_file(db.handle(), in_t(3), saved_text, FileEncoding::shift_jis).status;
    const CellFileOutcome::Status loading_blob = load(in_t(4), big);
    std::remove(saved.c_str());
    const CellFileOutcome::Status saving_whole = save(in_k());
    const CellFileOutcome::Status loading_whole =
        load(in_k(), random_bytes(kCellFileChunk * 16, 12));
    sqlite3_hard_heap_limit64(limit);

    EXPECT_EQ(saving_blob, CellFileOutcome::done);
    EXPECT_EQ(saving_text, CellFileOutcome::done);
    EXPECT_TRUE(file_bytes(saved_text) == ansi_of(text));
    EXPECT_EQ(loading_blob, CellFileOutcome::done);
    EXPECT_TRUE(db.value("SELECT v FROM t WHERE id = 4") == big);

    EXPECT_EQ(saving_whole, CellFileOutcome::out_of_memory);
    EXPECT_FALSE(exists(saved));
    EXPECT_EQ(loading_whole, CellFileOutcome::out_of_memory);
    EXPECT_TRUE(db.value("SELECT v FROM k") == big);
    EXPECT_NE(sqlite3_get_autocommit(db.handle()), 0);
}
