#include <gtest/gtest.h>

#include <windows.h>

#include <sqlite3.h>

#include <string>

#include "tests/win/grid_fixture.h"

namespace {

// Whether the table's computed column can be read: the file "breaks" once a record
// is added, as a file damaged or locked by another program between the write and
// the reload that follows it would.
bool reads_fail = false;

void probe(sqlite3_context* context, int, sqlite3_value** values) {
    if (reads_fail) {
        sqlite3_result_error_code(context, SQLITE_IOERR);
        return;
    }
    sqlite3_result_value(context, values[0]);
}

void break_reads(sqlite3_context* context, int, sqlite3_value**) {
    reads_fail = true;
    sqlite3_result_null(context);
}

class PageReloadTest : public GridTest {
protected:
    void TearDown() override { reads_fail = false; }

    // A table whose every page read calls probe(), which fails after an insertion.
    void open_breaking_table() {
        const auto add_probe = [](sqlite3* db) {
            return sqlite3_create_function(db, "probe", 1,
                                           SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                           nullptr, probe, nullptr, nullptr);
        };
        path = dir.file("grid.db");
        {
            TestDb made(path);
            ASSERT_EQ(add_probe(made.handle()), SQLITE_OK);
            made.exec(
                "CREATE TABLE t(id INTEGER PRIMARY KEY, name, shown AS (probe(name)));"
                "INSERT INTO t(id, name) VALUES (1, 'a'), (2, 'b');");
        }
        start(path);
        sqlite3* db = main.connection().handle;
        ASSERT_EQ(add_probe(db), SQLITE_OK);
        ASSERT_EQ(sqlite3_create_function(db, "break_reads", 0, SQLITE_UTF8, nullptr, break_reads,
                                          nullptr, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TEMP TRIGGER breaks AFTER INSERT ON t "
                               "BEGIN SELECT break_reads(); END;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        main.refresh_page();
        boxes.clear();
        ASSERT_EQ(list_row_count(grid()), 3);
    }
};

}  // namespace

// A page that cannot be read after an edit is told as a failed page turn is: the
// label says "-" and a message says why, rather than an empty table.
TEST_F(PageReloadTest, AReloadThatCannotReadAfterAnEditIsToldAsAFailedPageTurn) {
    open_breaking_table();
    select(2);
    double_click(2, 2);
    ASSERT_TRUE(editing());
    type("c");
    enter();
    if (editing()) {
        escape();
    }
    EXPECT_EQ(stored_value("SELECT name FROM t WHERE id = 3;"), "c");
    const std::string label_after_edit = label();
    const auto boxes_after_edit = boxes.boxes();
    boxes.clear();

    main.refresh_page();
    ASSERT_FALSE(boxes.boxes().empty());
    EXPECT_EQ(label(), "-");
    EXPECT_EQ(list_row_count(grid()), 0);

    EXPECT_EQ(label_after_edit, "-");
    ASSERT_EQ(boxes_after_edit.size(), 1u);
    EXPECT_EQ(boxes_after_edit[0].text, boxes.boxes().back().text);
    EXPECT_EQ(boxes_after_edit[0].caption, boxes.boxes().back().caption);
}
