// Long runs and exhausted memory: Esc stops a statement in the SQL editor, closing
// the editor stops it and then closes, the rows it had returned stay listed, and an
// action that runs out of memory ends with a message while the program goes on.
#include <new>

#include "tests/win/sql_editor_fixture.h"
#include "win/dialog.h"

namespace {

constexpr char kEndlessCount[] =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c;";
constexpr char kEndlessRows[] =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c;";

}  // namespace

TEST_F(SqlEditorTest, EscStopsARunAndTheEditorKeepsItsText) {
    db.exec("CREATE TABLE t(v); BEGIN; INSERT INTO t VALUES (1);");
    set_text(kEndlessCount);
    // From the list, Esc would end the dialog; during a run it stops the run only.
    SetFocus(list());
    PostMessageA(list(), WM_KEYDOWN, VK_ESCAPE, 1);
    press_run();
    ASSERT_EQ(list_row_count(list()), 2);
    EXPECT_EQ(list_text(list(), 0, 0), "interrupted");
    EXPECT_EQ(image_of(0), 1);
    EXPECT_TRUE(IsWindowVisible(dialog.hwnd()));
    EXPECT_EQ(text(), kEndlessCount);
    // The transaction the user had open is still open, with its change.
    EXPECT_EQ(sqlite3_get_autocommit(db.handle()), 0);
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "1");

    // Rows that arrived before the stop stay listed, with a line that says so.
    set_text(kEndlessRows);
    PostMessageA(list(), WM_KEYDOWN, VK_ESCAPE, 1);
    press_run();
    const int rows = list_row_count(list());
    ASSERT_GT(rows, 3);
    EXPECT_EQ(list_row(list(), 0), (std::vector<std::string>{"00001", "1"}));
    EXPECT_EQ(list_text(list(), rows - 2, 1).rfind("interrupted: ", 0), 0u);
    EXPECT_EQ(image_of(rows - 2), 1);

    // The next run is not stopped by the last one's Esc.
    run("SELECT 2");
    EXPECT_EQ(list_row(list(), 0), (std::vector<std::string>{"00001", "2"}));
}

TEST_F(SqlEditorTest, ClosingDuringARunStopsItAndThenCloses) {
    set_text(kEndlessCount);
    PostMessageA(dialog.hwnd(), WM_CLOSE, 0, 0);
    SendMessageA(GetDlgItem(dialog.hwnd(), IDOK), BM_CLICK, 0, 0);
    // The run has ended and the editor is still there until its close comes.
    EXPECT_EQ(list_text(list(), 0, 0), "interrupted");
    EXPECT_TRUE(IsWindowVisible(dialog.hwnd()));
    pump_messages();
    EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
}

namespace {

// A dialog whose command handler runs out of memory, as a handler holding a huge
// value might.
class ExhaustedDialog : public Dialog {
protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM, LRESULT&) override {
        if (msg == WM_COMMAND && LOWORD(wparam) == IDOK) {
            throw std::bad_alloc();
        }
        return false;
    }
};

}  // namespace

TEST(OutOfMemory, AnActionThatRunsOutOfMemoryEndsWithAMessageAndTheProgramGoesOn) {
    MessageBoxRecorder boxes;
    ExhaustedDialog dialog;
    ASSERT_NE(dialog.create_modeless(IDD_ABOUT, nullptr), nullptr);
    SendMessageA(dialog.hwnd(), WM_COMMAND, IDOK, 0);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "メモリ不足");
    EXPECT_TRUE(IsWindow(dialog.hwnd()));
}
