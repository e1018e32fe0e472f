#include <gtest/gtest.h>

#include <windows.h>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/sql_error_report.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"

TEST(SqlErrorReport, ShowsTheOperationAndTheDatabasesMessage) {
    TempDir dir;
    TestDb db(dir.file("errors.db"));
    MessageBoxRecorder boxes;

    ASSERT_NE(exec_ansi(db.handle(), "UPDATE \"テーブル\" SET a = 1;"), SQLITE_OK);
    report_sql_error(nullptr, kUpdateFailedText, db.handle());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    // The database names the missing table in UTF-8; the box shows it in the
    // program's own code page, readable.
    EXPECT_EQ(boxes.boxes()[0].text, "データ更新処理が失敗しました。\nno such table: テーブル");
    EXPECT_EQ(boxes.boxes()[0].caption, "SQL エラー");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));

    // An operation text is never taken as a format.
    ASSERT_NE(exec_ansi(db.handle(), "SELEC 1;"), SQLITE_OK);
    report_sql_error(nullptr, "100%s %d", db.handle());
    EXPECT_EQ(boxes.boxes()[1].text, "100%s %d\nnear \"SELEC\": syntax error");
}
