// Edits that must reach the record they were made on, as the value they were
// meant to be, or say why they did not.
#include "tests/win/grid_fixture.h"

#include "grid/cell_editor.h"
#include "grid/table_grid.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr const char kUnrepresentableText[] =
    "この値には文字として読めないバイトか NUL 文字が含まれるため、編集できません。";
constexpr const char kMissingText[] =
    "レコードが見つからないか、変更されませんでした。表示を読み直します。";
constexpr const char kNotAddedText[] = "レコードは追加されませんでした。表示を読み直します。";

}  // namespace

TEST_F(GridTest, AnEditOfTheKeyMovesTheRestOfTheEditToTheNewKey) {
    open_with(
        "CREATE TABLE k(id INTEGER PRIMARY KEY, name TEXT);"
        "INSERT INTO k VALUES (5, 'five'), (6, 'six');");
    double_click(0, 1);
    type("50");
    enter();
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 2);
    EXPECT_EQ(main.cell_editor().edit().cell().rowid, 50);
    type("fifty");
    enter();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored("SELECT id, name FROM k ORDER BY id"), (Rows{{"6", "six"}, {"50", "fifty"}}));
    // The grid shows the record where its new key puts it, and knows it by that key.
    ASSERT_EQ(list_row(grid(), 1), (std::vector<std::string>{"00050", "50", "fifty"}));
    select(1);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored("SELECT id FROM k"), (Rows{{"6"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, AWriteThatReachesNoRecordIsReportedAndTheTruthShown) {
    open_with(
        "CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('one'), ('two'), ('three'), ('skip');"
        "CREATE TRIGGER s BEFORE UPDATE ON t WHEN old.a = 'skip' BEGIN SELECT RAISE(IGNORE); END;");
    // Deleted by another program while the edit is open.
    double_click(0, 1);
    type("lost");
    TestDb other(path);
    other.exec("DELETE FROM t WHERE rowid = 1;");
    enter();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, kMissingText);
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(editing());
    EXPECT_EQ(list_row(grid(), 0), (std::vector<std::string>{"00002", "two"}));
    EXPECT_EQ(list_row_count(grid()), 4);

    // A trigger that skips the change: the cell keeps what the record holds.
    double_click(2, 1);
    type("changed");
    enter();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, kMissingText);
    EXPECT_EQ(list_text(grid(), 2, 1), "skip");

    // Deleted meanwhile, then opened for an edit, then deleted here.
    other.exec("DELETE FROM t WHERE rowid IN (2, 3);");
    double_click(0, 1);
    EXPECT_FALSE(editing());
    ASSERT_EQ(boxes.boxes().size(), 3u);
    EXPECT_EQ(boxes.boxes()[2].text, kMissingText);
    EXPECT_EQ(list_row(grid(), 0), (std::vector<std::string>{"00004", "skip"}));
    other.exec("DELETE FROM t;");
    select(0);
    command(IDM_DELETE_RECORD);
    ASSERT_EQ(boxes.boxes().size(), 4u);
    EXPECT_EQ(boxes.boxes()[3].text,
              "レコードが見つからないため、削除されませんでした。表示を読み直します。");
    ASSERT_EQ(list_row_count(grid()), 1);
    EXPECT_EQ(list_text(grid(), 0, 0), "*");
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "0");
}

// A trigger that drops the new record: the user is told, whether the table has
// row ids or finds its records by their key, and no edit goes on.
TEST_F(GridTest, ARecordATriggerDropsIsReportedInEveryKindOfTable) {
    open_with(
        "CREATE TABLE k(a TEXT PRIMARY KEY, b TEXT) WITHOUT ROWID;"
        "CREATE TRIGGER kd BEFORE INSERT ON k WHEN new.a = 'drop' BEGIN SELECT RAISE(IGNORE); END;"
        "CREATE TABLE r(a TEXT, b TEXT);"
        "CREATE TRIGGER rd BEFORE INSERT ON r WHEN new.a = 'drop' BEGIN SELECT RAISE(IGNORE); "
        "END;");
    for (int table = 0; table < 2; ++table) {
        SCOPED_TRACE(table);
        boxes.clear();
        select_table(table);
        double_click(0, 1);
        ASSERT_TRUE(editing());
        type("drop");
        enter();
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, kNotAddedText);
        EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
        EXPECT_FALSE(editing());
        EXPECT_EQ(list_row_count(grid()), 1);
        EXPECT_EQ(label(), "0-0");
    }
    EXPECT_EQ(stored_value("SELECT (SELECT COUNT(*) FROM k) + (SELECT COUNT(*) FROM r)"), "0");
}

TEST_F(GridTest, ValuesTheEditorCannotHoldAreNotEdited) {
    open_with(
        u8"CREATE TABLE t(a, b TEXT);"
        u8"INSERT INTO t VALUES (X'89504E4700010203FF', 'png'), (X'41424344', 'abcd'),"
        " ('M\xC3\xBCller \xE3\x80\x9C caf\xC3\xA9', 'utf'), (CAST"
        u8"(X'955C8E8E' AS TEXT), 'sjis');"
        u8"CREATE TABLE z_log(x); CREATE TRIGGER w AFTER UPDATE ON t BEGIN INSERT INTO z_log "
        u8"VALUES (1); END;");
    // A BLOB shows as what it is, never as its bytes.
    EXPECT_EQ(list_text(grid(), 0, 1), "(BLOB 9 バイト)");
    EXPECT_EQ(list_text(grid(), 1, 1), "(BLOB 4 バイト)");

    // A BLOB opens the viewer instead, with Ctrl held too; a text that is not
    // UTF-8 is refused with a word.
    for (const int row : {0, 1, 3}) {
        SCOPED_TRACE(row);
        for (const bool control : {false, true}) {
            boxes.clear();
            std::string viewer_caption;
            ModalDriver close([&](HWND dialog) {
                viewer_caption = window_text(dialog);
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            });
            if (control) {
                ControlKeyDown held;
                double_click(row, 1);
            } else {
                double_click(row, 1);
            }
            EXPECT_FALSE(editing());
            EXPECT_FALSE(editor_shown());
            if (row < 2) {
                EXPECT_EQ(viewer_caption, "値の表示");
                EXPECT_TRUE(boxes.boxes().empty());
            } else {
                ASSERT_EQ(boxes.boxes().size(), 1u);
                EXPECT_EQ(boxes.boxes()[0].text, kUnrepresentableText);
                EXPECT_EQ(boxes.boxes()[0].owner, grid());
            }
        }
    }
    // Enter on the grid is refused there too.
    select(0);
    press_enter_on_grid();
    EXPECT_FALSE(editing());
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM z_log"), "0");
    EXPECT_EQ(stored("SELECT hex(a), typeof(a) FROM t ORDER BY rowid LIMIT 2"),
              (Rows{{"89504E4700010203FF", "blob"}, {"41424344", "blob"}}));
    EXPECT_EQ(stored_value("SELECT a FROM t WHERE rowid = 3"),
              "M\xC3\xBCller \xE3\x80\x9C caf\xC3\xA9");
    EXPECT_EQ(stored_value("SELECT hex(a) FROM t WHERE rowid = 4"), "955C8E8E");

    // Characters the code page lacks are edited as they stand: the editor opens
    // with them, and what is written back is exactly what was typed over them.
    boxes.clear();
    double_click(2, 1);
    ASSERT_TRUE(editing());
    const std::wstring opened = L"M\u00fcller \u301c caf\u00e9";
    wchar_t shown[64] = L"";
    GetWindowTextW(editor(), shown, 64);
    EXPECT_EQ(std::wstring(shown), opened);
    SendMessageW(editor(), EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L" \u00df"));
    enter();
    EXPECT_EQ(stored_value("SELECT a FROM t WHERE rowid = 3"),
              "M\xC3\xBCller \xE3\x80\x9C caf\xC3\xA9 \xC3\x9F");
    EXPECT_TRUE(boxes.boxes().empty());
    if (editing()) {
        escape();
    }

    // Other columns of such records are edited, and the records can be deleted.
    boxes.clear();
    double_click(0, 2);
    ASSERT_TRUE(editing());
    type("picture");
    enter();
    EXPECT_EQ(stored_value("SELECT b || hex(a) FROM t WHERE rowid = 1"),
              "picture89504E4700010203FF");
    select(0);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "3");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, NumbersStayNumbersInAColumnWithoutAType) {
    open_with(
        "CREATE TABLE t(a, b TEXT);"
        "INSERT INTO t VALUES (42, '007'), (1.5, 'x');");
    double_click(0, 1);
    type("423");
    enter();
    type("008");
    enter();
    double_click(1, 1);
    type("2.25");
    enter();
    EXPECT_EQ(stored("SELECT a, typeof(a), b, typeof(b) FROM t ORDER BY rowid"),
              (Rows{{"423", "integer", "008", "text"}, {"2.25", "real", "x", "text"}}));
    EXPECT_EQ(stored_value("SELECT rowid FROM t WHERE a = 423"), "1");

    // A new record's number in such a column is a number too.
    double_click(2, 1);
    type("7");
    enter();
    EXPECT_EQ(stored("SELECT a, typeof(a), typeof(b) FROM t WHERE rowid = 3"),
              (Rows{{"7", "integer", "text"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}
