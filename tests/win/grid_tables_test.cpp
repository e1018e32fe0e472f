#include "db/text_convert.h"
#include "tests/win/grid_fixture.h"

#include "win/window_text.h"

namespace {

// "café" in UTF-8: its é is not in code page 932.
const std::string kCafeAccent = "caf\xC3\xA9";
// Hangul, which code page 932 has no form for.
const std::string kHangul = "\xED\x95\x9C\xEA\xB8\x80";

using Rows = std::vector<std::vector<std::string>>;
using Row = std::vector<std::string>;

}  // namespace

// A table without row ids: its records in key order, edited, moved by a key
// edit, added and deleted, each found by its key.
TEST_F(GridTest, EditsATableWithoutRowidsThroughItsKey) {
    open_with(
        "CREATE TABLE k(code TEXT PRIMARY KEY, name TEXT) WITHOUT ROWID;"
        "INSERT INTO k VALUES ('c', 'third'), ('a', 'first'), ('b', 'second');");
    EXPECT_EQ(label(), "1-3");
    ASSERT_EQ(list_row_count(grid()), 4);
    EXPECT_EQ(list_header(grid(), 0), "No.");
    EXPECT_EQ(list_row(grid(), 0), (Row{"00001", "a", "first"}));
    EXPECT_EQ(list_row(grid(), 2), (Row{"00003", "c", "third"}));

    double_click(1, 2);
    type("two");
    enter();
    EXPECT_EQ(stored("SELECT code, name FROM k ORDER BY code"),
              (Rows{{"a", "first"}, {"b", "two"}, {"c", "third"}}));

    // A new key moves the record to its place; the edit goes on with it.
    double_click(0, 1);
    type("d");
    enter();
    EXPECT_EQ(stored("SELECT code, name FROM k ORDER BY code"),
              (Rows{{"b", "two"}, {"c", "third"}, {"d", "first"}}));
    EXPECT_EQ(list_row(grid(), 2), (Row{"00003", "d", "first"}));
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().row, 2);
    EXPECT_EQ(main.cell_editor().edit().cell().column, 2);
    escape();

    // The blank row adds a record, shown selected at its place.
    double_click(3, 1);
    type("a2");
    enter();
    ASSERT_TRUE(editing());
    type("new");
    enter();
    EXPECT_EQ(stored("SELECT code, name FROM k ORDER BY code"),
              (Rows{{"a2", "new"}, {"b", "two"}, {"c", "third"}, {"d", "first"}}));
    EXPECT_EQ(list_row(grid(), 0), (Row{"00001", "a2", "new"}));

    select(1);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored("SELECT code FROM k ORDER BY code"), (Rows{{"a2"}, {"c"}, {"d"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, TheTextDialogReadsAndWritesTheRecordOfItsKey) {
    open_with(
        "CREATE TABLE k(code TEXT PRIMARY KEY, note TEXT) WITHOUT ROWID;"
        "INSERT INTO k VALUES ('b', 'bee'), ('a', 'ay');");
    std::string shown;
    ModalDriver driver([&](HWND dialog) {
        const OpenTextDialog text{dialog};
        shown = read_window_text(text.text_area());
        SetWindowTextA(text.text_area(), "long note");
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    {
        ControlKeyDown control;
        double_click(1, 2);
    }
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(shown, "bee");
    EXPECT_EQ(stored("SELECT code, note FROM k ORDER BY code"),
              (Rows{{"a", "ay"}, {"b", "long note"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, ATwoColumnKeyFindsEachRecordByBothColumns) {
    open_with(
        "CREATE TABLE p(a INTEGER, b TEXT, v TEXT, PRIMARY KEY(a, b)) WITHOUT ROWID;"
        "INSERT INTO p VALUES (1, 'x', 'one-x'), (1, 'y', 'one-y'), (2, 'x', 'two-x');");
    ASSERT_EQ(list_row_count(grid()), 4);
    EXPECT_EQ(list_row(grid(), 1), (Row{"00002", "1", "y", "one-y"}));

    double_click(1, 3);
    type("changed");
    enter();
    select(2);
    command(IDM_DELETE_RECORD);
    double_click(2, 1);
    type("2");
    enter();
    type("z");
    enter();
    EXPECT_EQ(stored("SELECT a, b, v FROM p ORDER BY a, b"),
              (Rows{{"1", "x", "one-x"}, {"1", "y", "changed"}, {"2", "z", ""}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

// Values stand under their own headers; generated columns are shown, marked and
// not written.
TEST_F(GridTest, GeneratedColumnsAreShownInPlaceAndNotEditable) {
    open_with(
        "CREATE TABLE t(a TEXT, g AS (a || '!'), b TEXT, s INTEGER AS (length(a)) STORED);"
        "INSERT INTO t(a, b) VALUES ('A', 'B');");
    EXPECT_EQ(list_header(grid(), 2), "g [GENERATED]");
    EXPECT_EQ(list_header(grid(), 3), "b [TEXT]");
    EXPECT_EQ(list_row(grid(), 0), (Row{"00001", "A", "A!", "B", "1"}));

    double_click(0, 2);
    EXPECT_FALSE(editing());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_NE(boxes.boxes()[0].text.find("GENERATED"), std::string::npos);
    boxes.clear();

    double_click(0, 3);
    type("b2");
    enter();
    EXPECT_EQ(stored("SELECT a, g, b, s FROM t"), (Rows{{"A", "A!", "b2", "1"}}));
    // Enter walks past a generated column; after the last one nothing opens.
    EXPECT_FALSE(editing());
    double_click(0, 1);
    enter();
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 3);
    escape();
    // A new record leaves the generated columns to SQLite.
    double_click(1, 1);
    type("xyz");
    enter();
    EXPECT_EQ(stored("SELECT a, g, b, s FROM t ORDER BY rowid"),
              (Rows{{"A", "A!", "b2", "1"}, {"xyz", "xyz!", "", "3"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, FullTextAndSpatialTablesBrowseAndEdit) {
    open_with(
        "CREATE VIRTUAL TABLE docs USING fts5(title, body);"
        "INSERT INTO docs VALUES ('first', 'alpha words'), ('second', 'beta words');"
        "CREATE VIRTUAL TABLE boxes USING rtree(id, x0, x1);"
        "INSERT INTO boxes VALUES (5, 1, 2), (9, 3, 4);");
    ASSERT_EQ(table_at(0), "boxes");
    EXPECT_EQ(list_row(grid(), 1), (Row{"00009", "9", "3.0", "4.0"}));
    double_click(1, 3);
    type("8");
    enter();
    escape();
    select(0);
    command(IDM_DELETE_RECORD);
    // A new box gets an id of its own, whichever column is typed first.
    double_click(1, 3);
    type("6");
    enter();
    escape();
    EXPECT_EQ(stored("SELECT id, x0, x1 FROM boxes"),
              (Rows{{"9", "3.0", "8.0"}, {"10", "0.0", "6.0"}}));

    // After the spatial index's three shadow tables.
    select_table(4);
    ASSERT_EQ(main.selected_table_shown_name(), "docs");
    EXPECT_EQ(list_column_count(grid()), 3);
    EXPECT_EQ(list_row(grid(), 0), (Row{"00001", "first", "alpha words"}));
    double_click(1, 2);
    type("gamma");
    enter();
    select(0);
    command(IDM_DELETE_RECORD);
    double_click(1, 1);
    type("third");
    enter();
    EXPECT_EQ(stored("SELECT title, body FROM docs WHERE docs MATCH 'gamma OR third'"),
              (Rows{{"second", "gamma"}, {"third", "<NULL>"}}));
    EXPECT_TRUE(boxes.boxes().empty());

    // Dropping the full-text table takes its shadow tables with it.
    command(IDM_DROP_TABLE);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "テーブル削除");
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'docs%'"), "0");
}

// Each column of a STRICT table can start a new record.
TEST_F(GridTest, AStrictTableTakesNewRecordsThroughEveryColumn) {
    open_with("CREATE TABLE s(i INTEGER, r REAL, b BLOB, a ANY) STRICT;");
    for (int column = 1; column <= 4; ++column) {
        const int blank = list_row_count(grid()) - 1;
        double_click(blank, column);
        ASSERT_TRUE(editing()) << column;
        type("7");
        enter();
        escape();
    }
    EXPECT_EQ(stored("SELECT quote(i), quote(r), quote(b), quote(a) FROM s ORDER BY rowid"),
              (Rows{{"7", "NULL", "NULL", "''"},
                    {"NULL", "7.0", "NULL", "''"},
                    {"NULL", "NULL", "X'37'", "''"},
                    {"NULL", "NULL", "NULL", "'7'"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

// A STRICT BLOB column refuses text: what the user types into its empty cell is
// stored as the bytes of the text, as on the blank row.
TEST_F(GridTest, AStrictBlobCellTakesTypedTextAsItsBytes) {
    open_with("CREATE TABLE s(n TEXT, b BLOB) STRICT; INSERT INTO s VALUES ('one', NULL);");
    double_click(0, 2);
    ASSERT_TRUE(editing());
    type("AB");
    enter();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored("SELECT hex(b), typeof(b) FROM s"), (Rows{{"4142", "blob"}}));
}

// cafe and café look alike in code page 932, and are still two tables.
TEST_F(GridTest, TablesWhoseNamesTheCodePageMergesStayApart) {
    open_with(
        "CREATE TABLE cafe(x TEXT); INSERT INTO cafe VALUES ('plain');"
        "CREATE TABLE " +
        kCafeAccent + "(x TEXT, \"" + kHangul + "\" TEXT, memo TEXT); INSERT INTO " + kCafeAccent +
        " VALUES ('accent', 'h', 'm'); CREATE INDEX accent_x ON " + kCafeAccent + "(x);");
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(list_text(grid(), 0, 1), "plain");
    select_table(1);
    EXPECT_EQ(main.selected_table_exact_name(), kCafeAccent);
    EXPECT_EQ(list_text(grid(), 0, 1), "accent");
    double_click(0, 1);
    type("edited");
    enter();
    escape();
    EXPECT_EQ(stored_value("SELECT x FROM " + kCafeAccent), "edited");

    // The structure editor restructures this one, through the temporary table: a
    // column goes, another gets a new type, the one the code page cannot name
    // stays as it was.
    const std::string shown = main.selected_table_shown_name();
    std::string field;
    {
        ModalDriver driver([&](HWND dialog) {
            field = window_text(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME));
            HWND list = GetDlgItem(dialog, IDC_COLUMN_LIST);
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
            SendMessageA(GetDlgItem(dialog, IDC_DELETE_COLUMN), BM_CLICK, 0, 0);
            SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
            HWND type_box = GetDlgItem(dialog, IDC_COLUMN_TYPE);
            SendMessageA(type_box, CB_SETCURSEL, 2, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COLUMN_TYPE, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(type_box));
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        command(IDM_EDIT_STRUCTURE);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(field, to_ansi(shown));
    EXPECT_EQ(stored("SELECT name, sql FROM sqlite_master ORDER BY name"),
              (Rows{{"accent_x", "CREATE INDEX accent_x ON " + kCafeAccent + "(x)"},
                    {"cafe", "CREATE TABLE cafe(x TEXT)"},
                    {kCafeAccent,
                     "CREATE TABLE " + kCafeAccent + "(x BLOB, \"" + kHangul + "\" TEXT)"}}));
    EXPECT_EQ(stored("SELECT rowid, x FROM cafe"), (Rows{{"1", "plain"}}));
    EXPECT_EQ(stored("SELECT rowid, * FROM " + kCafeAccent), (Rows{{"1", "edited", "h"}}));

    select_table(1);
    command(IDM_DROP_TABLE);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(stored("SELECT name FROM sqlite_master"), (Rows{{"cafe"}}));
    EXPECT_EQ(stored_value("SELECT x FROM cafe"), "plain");
    EXPECT_EQ(table_count(), 1);
    EXPECT_EQ(list_text(grid(), 0, 1), "plain");
}
