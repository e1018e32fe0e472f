#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "db/text_convert.h"
#include "res/resource.h"
#include "structure/structure_editor_dialog.h"
#include "tests/win/main_window_fixture.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The editor over a window of its own, on a real database file.
class StructureEditorTest : public testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                600, 500, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        db.exec(
            "CREATE TABLE books(title TEXT, price NUMERIC, memo TEXT);"
            "INSERT INTO books VALUES ('Kokoro', 1200, 'a'), ('Sanshiro', 980.5, NULL);");
    }
    void TearDown() override { DestroyWindow(owner); }

    // Shows the editor for `table` (a new table when empty) and runs `action` on
    // it once it is up. Whatever the action leaves open is cancelled.
    INT_PTR run(const std::string& table, const std::function<void(HWND)>& action) {
        ModalDriver driver([&](HWND dialog) {
            action(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        const INT_PTR result = show_structure_editor(owner, db.handle(), table);
        EXPECT_TRUE(driver.ran());
        return result;
    }

    Rows books() { return db.rows("SELECT rowid, * FROM books ORDER BY rowid;"); }

    HWND owner = nullptr;
    TempDir dir;
    TestDb db{dir.file("editor.db")};
    MessageBoxRecorder boxes;
};

HWND list_of(HWND dialog) {
    return GetDlgItem(dialog, IDC_COLUMN_LIST);
}
HWND name_field(HWND dialog) {
    return GetDlgItem(dialog, IDC_COLUMN_NAME);
}
HWND type_box(HWND dialog) {
    return GetDlgItem(dialog, IDC_COLUMN_TYPE);
}
bool enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Keystrokes as the user types them into a field.
void type_text(HWND field, const std::string& text) {
    for (char c : text) {
        SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

// The edit field inside the type box.
HWND type_edit(HWND dialog) {
    return FindWindowExA(type_box(dialog), nullptr, "Edit", nullptr);
}

// Every row as the list holds it: source_name, name, type.
Rows list_rows(HWND dialog) {
    Rows rows;
    for (int row = 0; row < list_row_count(list_of(dialog)); ++row) {
        rows.push_back(list_row(list_of(dialog), row));
    }
    return rows;
}

void select_row(HWND dialog, int row) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_of(dialog), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

// What a click on the empty part of the list does.
void clear_selection(HWND dialog) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    SendMessageA(list_of(dialog), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
}

// Text typed over a field's whole text, as an input method hands it over: every
// character as it is, characters beyond the basic plane as surrogate pairs.
void replace_text(HWND field, const std::wstring& text) {
    SendMessageW(field, EM_SETSEL, 0, -1);
    SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring wide_text(HWND window) {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

// A cell of the list as it holds it, read with the wide message.
std::wstring wide_list_text(HWND list, int row, int column) {
    wchar_t text[256] = L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

// A choice from the type box's drop-down list: the box selects the entry and
// tells the dialog before its edit field shows the entry's text.
void choose_type(HWND dialog, int index) {
    SendMessageA(type_box(dialog), CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COLUMN_TYPE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(type_box(dialog)));
}

}  // namespace

TEST_F(StructureEditorTest, NewModeOpensEmptyWithTheTypeChoicesAndAHiddenSourceColumn) {
    run("", [&](HWND dialog) {
        EXPECT_EQ(window_text(dialog), "テーブル新規作成");
        std::vector<std::string> types;
        for (int i = 0; i < SendMessageA(type_box(dialog), CB_GETCOUNT, 0, 0); ++i) {
            char text[64] = "";
            SendMessageA(type_box(dialog), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            types.push_back(text);
        }
        EXPECT_EQ(types,
                  (std::vector<std::string>{"TEXT", "NUMERIC", "BLOB", "INTEGER PRIMARY KEY"}));
        EXPECT_EQ(window_text(type_box(dialog)), "TEXT");

        HWND list = list_of(dialog);
        ASSERT_EQ(list_column_count(list), 3);
        EXPECT_EQ(list_header(list, 0), "");
        EXPECT_EQ(list_header(list, 1), "項目名");
        EXPECT_EQ(list_header(list, 2), "型情報");
        EXPECT_EQ(list_column_width(list, 0), 0);
        EXPECT_EQ(list_column_width(list, 1), 110);
        RECT client{};
        GetClientRect(list, &client);
        EXPECT_EQ(list_column_width(list, 2), client.right - 110 - GetSystemMetrics(SM_CXVSCROLL) -
                                                  2 * GetSystemMetrics(SM_CXEDGE));
        const DWORD extended =
            static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
        EXPECT_EQ(extended & (LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP),
                  DWORD(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP));
        EXPECT_EQ(list_row_count(list), 0);

        EXPECT_TRUE(enabled(dialog, IDC_STRUCTURE_TABLE_NAME));
        EXPECT_EQ(window_text(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME)), "");
        EXPECT_TRUE(enabled(dialog, IDC_ADD_COLUMN));
        EXPECT_FALSE(enabled(dialog, IDC_DELETE_COLUMN));
        EXPECT_FALSE(enabled(dialog, IDC_COLUMN_NAME));
        EXPECT_FALSE(enabled(dialog, IDC_COLUMN_TYPE));
        EXPECT_TRUE(enabled(dialog, IDOK));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME));

        // Centred over the window that opened it.
        RECT mine{}, theirs{};
        GetWindowRect(dialog, &mine);
        GetWindowRect(owner, &theirs);
        EXPECT_LE(std::abs((mine.left + mine.right) - (theirs.left + theirs.right)), 2);
        EXPECT_LE(std::abs((mine.top + mine.bottom) - (theirs.top + theirs.bottom)), 2);
    });
}

TEST_F(StructureEditorTest, AddAppendsDefaultColumnsAndSelectsTheNewName) {
    run("", [&](HWND dialog) {
        click(dialog, IDC_ADD_COLUMN);
        click(dialog, IDC_ADD_COLUMN);
        click(dialog, IDC_ADD_COLUMN);
        EXPECT_EQ(
            list_rows(dialog),
            (Rows{{"", "column00", "TEXT"}, {"", "column01", "TEXT"}, {"", "column02", "TEXT"}}));
        EXPECT_EQ(list_selected_row(list_of(dialog)), 2);
        EXPECT_EQ(window_text(name_field(dialog)), "column02");
        EXPECT_EQ(window_text(type_box(dialog)), "TEXT");
        EXPECT_EQ(GetFocus(), name_field(dialog));
        DWORD start = 1, end = 0;
        SendMessageA(name_field(dialog), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 8u);
        EXPECT_TRUE(enabled(dialog, IDC_COLUMN_NAME));
        EXPECT_TRUE(enabled(dialog, IDC_COLUMN_TYPE));
        EXPECT_TRUE(enabled(dialog, IDC_DELETE_COLUMN));

        // Typing replaces the selected default name.
        type_text(name_field(dialog), "id");
        EXPECT_EQ(list_text(list_of(dialog), 2, 1), "id");
    });
}

TEST_F(StructureEditorTest, FieldsWriteThroughIntoTheSelectedRowAtOnce) {
    run("", [&](HWND dialog) {
        click(dialog, IDC_ADD_COLUMN);
        click(dialog, IDC_ADD_COLUMN);
        SendMessageA(name_field(dialog), EM_SETSEL, 0, -1);
        std::vector<std::string> seen;
        for (char c : std::string("cost")) {
            type_text(name_field(dialog), std::string(1, c));
            seen.push_back(list_text(list_of(dialog), 1, 1));
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"c", "co", "cos", "cost"}));

        choose_type(dialog, 2);
        EXPECT_EQ(list_text(list_of(dialog), 1, 2), "BLOB");

        // The arrow key in the closed box moves to the next entry, as a choice does.
        SendMessageA(type_edit(dialog), WM_KEYDOWN, VK_DOWN, 0);
        EXPECT_EQ(window_text(type_box(dialog)), "INTEGER PRIMARY KEY");
        EXPECT_EQ(list_text(list_of(dialog), 1, 2), "INTEGER PRIMARY KEY");

        // A type of the user's own, typed into the box's edit field.
        SendMessageA(type_edit(dialog), EM_SETSEL, 0, -1);
        type_text(type_edit(dialog), "INTEGER NOT NULL");
        EXPECT_EQ(list_text(list_of(dialog), 1, 2), "INTEGER NOT NULL");
        EXPECT_EQ(list_rows(dialog),
                  (Rows{{"", "column00", "TEXT"}, {"", "cost", "INTEGER NOT NULL"}}));
    });
}

// The box's selection follows the type it shows, so that the arrow keys move on
// from that type and not from the type of a row selected before.
TEST_F(StructureEditorTest, TheTypeBoxSelectionFollowsTheShownType) {
    run("", [&](HWND dialog) {
        click(dialog, IDC_ADD_COLUMN);
        choose_type(dialog, 3);  // INTEGER PRIMARY KEY
        click(dialog, IDC_ADD_COLUMN);
        EXPECT_EQ(window_text(type_box(dialog)), "TEXT");
        EXPECT_EQ(SendMessageA(type_box(dialog), CB_GETCURSEL, 0, 0), 0);
        SendMessageA(type_edit(dialog), WM_KEYDOWN, VK_DOWN, 0);
        EXPECT_EQ(window_text(type_box(dialog)), "NUMERIC");
        EXPECT_EQ(list_rows(dialog),
                  (Rows{{"", "column00", "INTEGER PRIMARY KEY"}, {"", "column01", "NUMERIC"}}));

        // A type typed by hand selects no choice, and keeps its own spelling.
        SendMessageA(type_edit(dialog), EM_SETSEL, 0, -1);
        type_text(type_edit(dialog), "text");
        click(dialog, IDC_ADD_COLUMN);
        select_row(dialog, 1);
        EXPECT_EQ(window_text(type_box(dialog)), "text");
        EXPECT_EQ(SendMessageA(type_box(dialog), CB_GETCURSEL, 0, 0), CB_ERR);
        select_row(dialog, 0);
        EXPECT_EQ(SendMessageA(type_box(dialog), CB_GETCURSEL, 0, 0), 3);
        EXPECT_EQ(list_rows(dialog), (Rows{{"", "column00", "INTEGER PRIMARY KEY"},
                                           {"", "column01", "text"},
                                           {"", "column02", "TEXT"}}));
    });
}

TEST_F(StructureEditorTest, MovingBetweenRowsKeepsEachRowsValuesInItsOwnRow) {
    run("", [&](HWND dialog) {
        for (int i = 0; i < 3; ++i) {
            click(dialog, IDC_ADD_COLUMN);
        }
        // Row 2 is selected after the last Add.
        type_text(name_field(dialog), "third");
        choose_type(dialog, 1);

        select_row(dialog, 0);
        EXPECT_EQ(window_text(name_field(dialog)), "column00");
        EXPECT_EQ(window_text(type_box(dialog)), "TEXT");
        SendMessageA(name_field(dialog), EM_SETSEL, 0, -1);
        type_text(name_field(dialog), "first");
        choose_type(dialog, 3);

        // The order a mouse click reports in: the old row loses its selection first.
        clear_selection(dialog);
        select_row(dialog, 2);
        EXPECT_EQ(window_text(name_field(dialog)), "third");
        EXPECT_EQ(window_text(type_box(dialog)), "NUMERIC");

        select_row(dialog, 1);
        EXPECT_EQ(window_text(name_field(dialog)), "column01");
        EXPECT_EQ(list_rows(dialog), (Rows{{"", "first", "INTEGER PRIMARY KEY"},
                                           {"", "column01", "TEXT"},
                                           {"", "third", "NUMERIC"}}));
    });
}

TEST_F(StructureEditorTest, WithoutASelectionTheFieldsAreDisabledAndWriteNowhere) {
    run("", [&](HWND dialog) {
        click(dialog, IDC_ADD_COLUMN);
        click(dialog, IDC_ADD_COLUMN);
        type_text(name_field(dialog), "second");

        clear_selection(dialog);
        EXPECT_FALSE(enabled(dialog, IDC_COLUMN_NAME));
        EXPECT_FALSE(enabled(dialog, IDC_COLUMN_TYPE));
        EXPECT_FALSE(enabled(dialog, IDC_DELETE_COLUMN));
        EXPECT_EQ(window_text(name_field(dialog)), "second");
        SetWindowTextA(name_field(dialog), "nowhere");
        EXPECT_EQ(list_rows(dialog), (Rows{{"", "column00", "TEXT"}, {"", "second", "TEXT"}}));

        // Delete with nothing selected does nothing.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DELETE_COLUMN, BN_CLICKED), 0);
        EXPECT_EQ(list_row_count(list_of(dialog)), 2);
    });
}

TEST_F(StructureEditorTest, DeleteRemovesTheSelectedRowAndLeavesNoRowCurrent) {
    run("", [&](HWND dialog) {
        for (int i = 0; i < 3; ++i) {
            click(dialog, IDC_ADD_COLUMN);
        }
        select_row(dialog, 1);
        click(dialog, IDC_DELETE_COLUMN);
        EXPECT_EQ(list_rows(dialog), (Rows{{"", "column00", "TEXT"}, {"", "column02", "TEXT"}}));
        EXPECT_EQ(list_selected_row(list_of(dialog)), -1);

        // Typing after the deletion reaches neither the deleted row's successor nor any other.
        SetWindowTextA(name_field(dialog), "typed");
        SendMessageA(type_edit(dialog), EM_SETSEL, 0, -1);
        type_text(type_edit(dialog), "BLOB");
        EXPECT_EQ(list_rows(dialog), (Rows{{"", "column00", "TEXT"}, {"", "column02", "TEXT"}}));

        // The next default name counts the rows, so it may repeat one.
        click(dialog, IDC_ADD_COLUMN);
        EXPECT_EQ(list_text(list_of(dialog), 2, 1), "column02");
    });
}

TEST_F(StructureEditorTest, NewModeChecksTheNameThenTheColumnsAndStaysOpen) {
    std::vector<MessageBoxRecorder::Box> shown;
    bool ok_was_disabled = true;
    const INT_PTR result = run("", [&](HWND dialog) {
        // While a message is shown, OK is disabled.
        MessageBoxSink previous = set_message_box_sink(
            [&](HWND box_owner, const std::string& text, const std::string& caption, UINT type) {
                ok_was_disabled = ok_was_disabled && !enabled(dialog, IDOK);
                shown.push_back({box_owner, to_ansi(text), to_ansi(caption), type, text});
                return IDOK;
            });
        click(dialog, IDOK);
        SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "t");
        click(dialog, IDOK);
        set_message_box_sink(previous);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(enabled(dialog, IDOK));
        for (const auto& box : shown) {
            EXPECT_EQ(box.owner, dialog);
        }
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "テーブル名が未入力です");
    EXPECT_EQ(shown[1].text, "カラム設定がありません");
    for (const auto& box : shown) {
        EXPECT_EQ(box.caption, "エラー");
        EXPECT_EQ(box.type, UINT(MB_OK | MB_ICONINFORMATION));
    }
    EXPECT_TRUE(ok_was_disabled);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master;"), "1");
}

TEST_F(StructureEditorTest, NewModeCreatesTheTableAsListed) {
    const INT_PTR result = run("", [&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "my \"stock\"");
        click(dialog, IDC_ADD_COLUMN);
        type_text(name_field(dialog), "id");
        choose_type(dialog, 3);
        click(dialog, IDC_ADD_COLUMN);
        type_text(name_field(dialog), "unit price");
        choose_type(dialog, 1);
        click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(db.rows("SELECT name, type, pk FROM pragma_table_info('my \"stock\"');"),
              (Rows{{"id", "INTEGER", "1"}, {"unit price", "NUMERIC", "0"}}));
}

TEST_F(StructureEditorTest, OkRunsWhatIsWaitingFirst) {
    // Keystrokes still in the queue reach the list before the table is created.
    EXPECT_EQ(run("",
                  [&](HWND dialog) {
                      SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "typed");
                      click(dialog, IDC_ADD_COLUMN);
                      PostMessageA(name_field(dialog), WM_CHAR, 'x', 1);
                      click(dialog, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(db.value("SELECT group_concat(name) FROM pragma_table_info('typed');"), "x");

    // A cancel that was waiting closes the dialog and nothing is created.
    EXPECT_EQ(run("",
                  [&](HWND dialog) {
                      SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "cancelled");
                      click(dialog, IDC_ADD_COLUMN);
                      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                      click(dialog, IDOK);
                  }),
              IDCANCEL);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'cancelled';"), "0");
}

TEST_F(StructureEditorTest, EditModeShowsTheTablesColumnsWithAddDisabled) {
    db.exec(u8"CREATE TABLE items(id INTEGER PRIMARY KEY, \"名 前\" VARCHAR(20), untyped);");
    run("items", [&](HWND dialog) {
        EXPECT_EQ(window_text(dialog), "テーブル構造編集");
        EXPECT_EQ(window_text(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME)), "items");
        EXPECT_EQ(list_rows(dialog), (Rows{{"id", "id", "INTEGER PRIMARY KEY"},
                                           {"名 前", "名 前", "VARCHAR(20)"},
                                           {"untyped", "untyped", ""}}));
        EXPECT_EQ(list_selected_row(list_of(dialog)), -1);
        EXPECT_FALSE(enabled(dialog, IDC_ADD_COLUMN));
        EXPECT_FALSE(enabled(dialog, IDC_DELETE_COLUMN));
        EXPECT_FALSE(enabled(dialog, IDC_COLUMN_NAME));
        EXPECT_EQ(window_text(type_box(dialog)), "TEXT");

        // Add stays out of reach even when its command arrives.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ADD_COLUMN, BN_CLICKED), 0);
        EXPECT_EQ(list_row_count(list_of(dialog)), 3);

        select_row(dialog, 1);
        EXPECT_EQ(window_text(name_field(dialog)), "名 前");
        EXPECT_EQ(window_text(type_box(dialog)), "VARCHAR(20)");
        EXPECT_TRUE(enabled(dialog, IDC_DELETE_COLUMN));
    });
}

TEST_F(StructureEditorTest, EditModeRebuildsTheTableKeepingItsRows) {
    const INT_PTR result = run("books", [&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "stock");
        select_row(dialog, 1);
        SendMessageA(name_field(dialog), EM_SETSEL, 0, -1);
        type_text(name_field(dialog), "cost");
        choose_type(dialog, 0);
        select_row(dialog, 2);
        click(dialog, IDC_DELETE_COLUMN);
        click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(db.value("SELECT group_concat(name) FROM sqlite_master;"), "stock");
    EXPECT_EQ(db.rows("SELECT name, type FROM pragma_table_info('stock');"),
              (Rows{{"title", "TEXT"}, {"cost", "TEXT"}}));
    EXPECT_EQ(db.rows("SELECT title, cost FROM stock ORDER BY rowid;"),
              (Rows{{"Kokoro", "1200"}, {"Sanshiro", "980.5"}}));
}

TEST_F(StructureEditorTest, AFailedRebuildLeavesTheTableAndTheEditorAsTheyWere) {
    db.exec("CREATE TABLE stock(x);");
    const Rows before = books();
    const INT_PTR result = run("books", [&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "stock");
        select_row(dialog, 0);
        SendMessageA(name_field(dialog), EM_SETSEL, 0, -1);
        type_text(name_field(dialog), "heading");
        click(dialog, IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(enabled(dialog, IDOK));
        EXPECT_EQ(list_text(list_of(dialog), 0, 1), "heading");

        // Corrected, the same dialog succeeds: the table still bears its old name.
        SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "books2");
        click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "テーブル名または列名の変更処理が失敗しました。\nthere is already another table or "
              "index with this name: stock");
    EXPECT_EQ(boxes.boxes()[0].caption, "SQL エラー");
    EXPECT_EQ(db.rows("SELECT rowid, * FROM books2 ORDER BY rowid;"), before);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'books';"), "0");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_temp_master;"), "0");
}

TEST_F(StructureEditorTest, OkWithoutAChangeKeepsTheKeyTheIndexAndTheRowIds) {
    db.exec(
        "CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT UNIQUE, price INT);"
        "CREATE INDEX items_price ON items(price);"
        "INSERT INTO items VALUES (5, 'a', 1), (9, 'b', 2);");
    const Rows schema = db.rows("SELECT * FROM sqlite_master ORDER BY name;");
    EXPECT_EQ(run("items",
                  [&](HWND dialog) {
                      select_row(dialog, 0);
                      EXPECT_EQ(window_text(type_box(dialog)), "INTEGER PRIMARY KEY");
                      select_row(dialog, 2);
                      click(dialog, IDOK);
                  }),
              IDOK);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(db.rows("SELECT * FROM sqlite_master ORDER BY name;"), schema);
    EXPECT_EQ(db.rows("SELECT rowid, * FROM items ORDER BY rowid;"),
              (Rows{{"5", "5", "a", "1"}, {"9", "9", "b", "2"}}));
}

TEST_F(StructureEditorTest, DeletingAnIndexedColumnAsksFirstAndCancelChangesNothing) {
    db.exec("CREATE INDEX books_price ON books(price);");
    const Rows schema = db.rows("SELECT * FROM sqlite_master ORDER BY name;");
    const Rows before = books();
    std::vector<MessageBoxRecorder::Box> asked;
    auto delete_price = [&](HWND dialog, int answer) {
        MessageBoxSink previous = set_message_box_sink(
            [&](HWND box_owner, const std::string& text, const std::string& caption, UINT type) {
                asked.push_back({box_owner, to_ansi(text), to_ansi(caption), type, text});
                return answer;
            });
        select_row(dialog, 1);
        click(dialog, IDC_DELETE_COLUMN);
        click(dialog, IDOK);
        set_message_box_sink(previous);
    };

    EXPECT_EQ(run("books",
                  [&](HWND dialog) {
                      delete_price(dialog, IDCANCEL);
                      EXPECT_TRUE(IsWindowVisible(dialog));
                      EXPECT_TRUE(enabled(dialog, IDOK));
                      EXPECT_EQ(list_row_count(list_of(dialog)), 2);
                  }),
              IDCANCEL);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text,
              "削除する列が使われているため、次のものは元に戻せません。\n\n"
              "インデックス books_price（削除されます）\n\nこのまま変更しますか？");
    EXPECT_EQ(asked[0].caption, "テーブル構造編集");
    EXPECT_EQ(asked[0].type, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_EQ(db.rows("SELECT * FROM sqlite_master ORDER BY name;"), schema);
    EXPECT_EQ(books(), before);

    EXPECT_EQ(run("books", [&](HWND dialog) { delete_price(dialog, IDOK); }), IDOK);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(db.value("SELECT group_concat(name) FROM sqlite_master;"), "books");
    EXPECT_EQ(db.rows("SELECT rowid, * FROM books ORDER BY rowid;"),
              (Rows{{"1", "Kokoro", "a"}, {"2", "Sanshiro", "<NULL>"}}));
}

// OK pressed twice: the second press waits in the queue and reaches the dialog
// from the loop of the question the first one asks. It must start nothing.
TEST_F(StructureEditorTest, OkPressedAgainWhileItsQuestionIsShownStartsNothing) {
    db.exec("CREATE INDEX books_price ON books(price);");
    int asked = 0;
    const INT_PTR result = run("books", [&](HWND dialog) {
        MessageBoxSink previous =
            set_message_box_sink([&](HWND, const std::string&, const std::string&, UINT) {
                if (++asked == 1) {
                    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
                }
                return IDOK;
            });
        select_row(dialog, 1);
        click(dialog, IDC_DELETE_COLUMN);
        click(dialog, IDOK);
        set_message_box_sink(previous);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(db.rows("SELECT rowid, * FROM books ORDER BY rowid;"),
              (Rows{{"1", "Kokoro", "a"}, {"2", "Sanshiro", "<NULL>"}}));
}

// Names Shift-JIS has no form for, and one beyond the basic plane, typed into the
// fields: they reach the schema as typed and show as held when the table is
// opened again. Half of a surrogate pair left alone in a field is refused with a
// word, never written as something else.
TEST_F(StructureEditorTest, NamesOfAnyCharactersReachTheSchemaAsTyped) {
    const std::wstring table = L"caf\u00E9 \uD55C";
    const std::wstring column = L"\U00020BB7\u7530";
    // A declared type may hold names of its own.
    const std::wstring type = L"TEXT caf\u00E9";
    const std::wstring renamed = L"stra\u00DFe";
    const std::string table_utf8 = u8"caf\u00E9 \uD55C";

    EXPECT_EQ(run("",
                  [&](HWND dialog) {
                      SetWindowTextW(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), table.c_str());
                      click(dialog, IDC_ADD_COLUMN);
                      replace_text(name_field(dialog), column);
                      replace_text(type_edit(dialog), type);
                      EXPECT_EQ(wide_list_text(list_of(dialog), 0, 1), column);
                      click(dialog, IDOK);
                  }),
              IDOK);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(db.rows("SELECT name, type FROM pragma_table_info('" + table_utf8 + "');"),
              (Rows{{u8"\U00020BB7\u7530", u8"TEXT caf\u00E9"}}));

    std::wstring shown_table;
    std::wstring shown_column;
    std::string refusal;
    EXPECT_EQ(run(table_utf8,
                  [&](HWND dialog) {
                      shown_table = wide_text(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME));
                      shown_column = wide_list_text(list_of(dialog), 0, 1);
                      select_row(dialog, 0);
                      // What 𠮷 and one Backspace leave: its lead surrogate alone.
                      replace_text(name_field(dialog), column.substr(0, 1));
                      click(dialog, IDOK);
                      refusal = boxes.boxes().empty() ? "" : boxes.boxes()[0].text;
                      replace_text(name_field(dialog), renamed);
                      click(dialog, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(shown_table, table);
    EXPECT_EQ(shown_column, column);
    EXPECT_EQ(refusal.rfind("名前か型に、半分だけの文字", 0), 0u) << refusal;
    EXPECT_EQ(db.rows("SELECT name FROM pragma_table_info('" + table_utf8 + "');"),
              (Rows{{u8"stra\u00DFe"}}));
}

TEST_F(StructureEditorTest, CancelLeavesTheDatabaseUntouched) {
    const Rows before = books();
    const INT_PTR result = run("books", [&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "renamed");
        select_row(dialog, 0);
        click(dialog, IDC_DELETE_COLUMN);
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(books(), before);
    EXPECT_EQ(db.value("SELECT group_concat(name) FROM sqlite_master;"), "books");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(MainWindowTest, TableMenuOpensTheEditorAndReloadsTheTableListAfterwards) {
    const std::string path = dir.file("menu.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE b(x); INSERT INTO b VALUES (1), (2);");
    }
    start(path);

    std::string caption;
    {
        ModalDriver driver([&](HWND dialog) {
            caption = window_text(dialog);
            SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "a");
            SendMessageA(GetDlgItem(dialog, IDC_ADD_COLUMN), BM_CLICK, 0, 0);
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        command(IDM_NEW_TABLE);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(caption, "テーブル新規作成");
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(window_text(selector()), "a");

    // Edit structure opens on the selected table; Cancel reloads the list all the same.
    select_table(1);
    {
        ModalDriver driver([&](HWND dialog) {
            caption = window_text(dialog) + "/" +
                      window_text(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME));
            SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        });
        command(IDM_EDIT_STRUCTURE);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(caption, "テーブル構造編集/b");
    EXPECT_EQ(window_text(selector()), "a");

    select_table(1);
    {
        ModalDriver driver([&](HWND dialog) {
            SetWindowTextA(GetDlgItem(dialog, IDC_STRUCTURE_TABLE_NAME), "c");
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        command(IDM_EDIT_STRUCTURE);
        EXPECT_TRUE(driver.ran());
    }
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(table_at(1), "c");
    select_table(1);
    EXPECT_EQ(label(), "1-2");
}
