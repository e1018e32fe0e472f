#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "db/result_table.h"
#include "tests/win/main_window_fixture.h"

TEST(Environment, RunsWithTheJapaneseCodePageAndCommonControls6) {
    EXPECT_EQ(GetACP(), 932u);
    char path[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof(path));
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_NE(lower.find("winsxs"), std::string::npos) << path;
}

namespace {

// The manifest of a built program, read from the file: each build names its own
// architecture, or the process silently gets common controls 5.
std::string manifest_of(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        return "";
    }
    std::string text;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        text.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

}  // namespace

TEST(Environment, EachProgramsManifestNamesItsOwnArchitecture) {
    const std::string expected =
        sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    for (const std::string& program :
         {program_folder() + "korvelandis.exe", program_folder() + "korvelandis_tests.exe"}) {
        const std::string manifest = manifest_of(program);
        ASSERT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos) << program;
        std::size_t named = 0;
        for (std::size_t at = manifest.find("processorArchitecture="); at != std::string::npos;
             at = manifest.find("processorArchitecture=", at + 1)) {
            EXPECT_EQ(manifest.compare(at, expected.size(), expected), 0)
                << program << ": " << manifest.substr(at, 32);
            ++named;
        }
        EXPECT_EQ(named, 2u) << program;
    }
}

TEST_F(MainWindowTest, StartsWithoutADatabase) {
    start();
    EXPECT_EQ(title(), "KORVELANDIS");
    EXPECT_EQ(table_count(), 0);
    EXPECT_EQ(label(), "0-0");
    EXPECT_FALSE(previous_enabled());
    EXPECT_FALSE(next_enabled());
    for (UINT id :
         {IDM_NEW_TABLE, IDM_EDIT_STRUCTURE, IDM_DROP_TABLE, IDM_DELETE_RECORD, IDM_SQL_EDITOR}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    for (UINT id : {IDM_NEW_DATABASE, IDM_OPEN_DATABASE, IDM_EXIT, IDM_HELP_CONTENTS, IDM_ABOUT}) {
        EXPECT_TRUE(enabled(id)) << id;
    }
    EXPECT_EQ(GetFocus(), selector());
    EXPECT_EQ(list_column_count(grid()), 0);
    EXPECT_TRUE(boxes.boxes().empty());

    // The Table menu and the SQL editor do nothing without a database.
    for (UINT id : {IDM_NEW_TABLE, IDM_EDIT_STRUCTURE, IDM_DROP_TABLE, IDM_SQL_EDITOR,
                    IDC_PAGE_NEXT, IDC_PAGE_PREVIOUS, IDM_DELETE_RECORD}) {
        command(id);
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(label(), "0-0");
}

TEST_F(MainWindowTest, OpensTheQuotedPathOfTheCommandLine) {
    const std::string path = dir.file("my data.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE b(x TEXT); CREATE TABLE a(y); INSERT INTO a VALUES (1), (2);");
    }
    start("\"" + path + "\"");
    EXPECT_EQ(title(), "my data.db - KORVELANDIS");
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(table_at(0), "a");
    EXPECT_EQ(table_at(1), "b");
    EXPECT_EQ(SendMessageA(selector(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(label(), "1-2");
    EXPECT_EQ(list_row_count(grid()), 3);
    for (UINT id :
         {IDM_NEW_TABLE, IDM_EDIT_STRUCTURE, IDM_DROP_TABLE, IDM_SQL_EDITOR, IDM_DELETE_RECORD}) {
        EXPECT_TRUE(enabled(id)) << id;
    }
}

TEST_F(MainWindowTest, CommandLineIsOnePathEvenWithBlanks) {
    const std::string path = dir.file("two words.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x);");
    }
    // Unquoted: the whole rest of the line, blank included, is the path.
    start(path);
    EXPECT_EQ(title(), "two words.db - KORVELANDIS");
    EXPECT_EQ(table_count(), 1);
}

TEST_F(MainWindowTest, ShowsALongFileNameWholeInTheTitle) {
    // With " - KORVELANDIS" more than 255 bytes.
    const std::string name = std::string(240, 'n') + ".db";
    const std::string path = dir.file(name);
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x);");
    }
    start("\"" + path + "\"");
    EXPECT_EQ(title(), name + " - KORVELANDIS");
    EXPECT_EQ(table_count(), 1);
}

TEST_F(MainWindowTest, RefusesACommandLineTooLongForItsRoom) {
    start(dir.file(std::string(600, 'a') + ".db"));
    EXPECT_EQ(title(), "KORVELANDIS");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "エラー");
    EXPECT_FALSE(main.connection().is_open);
}

TEST_F(MainWindowTest, PagesThroughTwoAndAHalfThousandRecords) {
    const std::string path = dir.file("paging.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(n INTEGER, s TEXT);");
        db.fill("INSERT INTO t VALUES (?1, 'row ' || ?1);", 2500);
    }
    start(path);
    EXPECT_EQ(label(), "1-1000");
    EXPECT_FALSE(previous_enabled());
    EXPECT_TRUE(next_enabled());
    EXPECT_EQ(list_row_count(grid()), 1000);
    EXPECT_EQ(list_text(grid(), 0, 0), "00001");
    EXPECT_EQ(list_selected_row(grid()), 0);

    command(IDC_PAGE_NEXT);
    EXPECT_EQ(label(), "1001-2000");
    EXPECT_TRUE(previous_enabled());
    EXPECT_TRUE(next_enabled());
    EXPECT_EQ(list_row_count(grid()), 1000);
    EXPECT_EQ(list_text(grid(), 0, 0), "01001");
    EXPECT_EQ(list_text(grid(), 0, 2), "row 1001");
    EXPECT_EQ(list_selected_row(grid()), 0);

    command(IDC_PAGE_NEXT);
    EXPECT_EQ(label(), "2001-2500");
    EXPECT_FALSE(next_enabled());
    ASSERT_EQ(list_row_count(grid()), 501);
    EXPECT_EQ(list_text(grid(), 499, 0), "02500");
    EXPECT_EQ(list_text(grid(), 500, 0), "*");
    EXPECT_EQ(list_text(grid(), 500, 1), "");
    EXPECT_EQ(main.grid().blank_row(), 500);

    command(IDC_PAGE_PREVIOUS);
    command(IDC_PAGE_PREVIOUS);
    EXPECT_EQ(label(), "1-1000");
    EXPECT_FALSE(previous_enabled());
    // Selecting the table again returns to its first page.
    command(IDC_PAGE_NEXT);
    select_table(0);
    EXPECT_EQ(label(), "1-1000");
    EXPECT_EQ(main.grid().page().page_index(), 0);
}

namespace {

// The list's vertical scroll bar as the screen shows it: a line of pixels down
// its middle, from the window's own drawing surface.
std::vector<COLORREF> vertical_bar_pixels(HWND list) {
    std::vector<COLORREF> pixels;
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof(bar);
    RECT window;
    if (!GetScrollBarInfo(list, OBJID_VSCROLL, &bar) || !GetWindowRect(list, &window)) {
        return pixels;
    }
    HDC dc = GetWindowDC(list);
    const int x = (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2 - window.left;
    for (int y = bar.rcScrollBar.top; y < bar.rcScrollBar.bottom; ++y) {
        pixels.push_back(GetPixel(dc, x, y - window.top));
    }
    ReleaseDC(list, dc);
    return pixels;
}

int vertical_range(HWND list) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE;
    GetScrollInfo(list, SB_VERT, &info);
    return info.nMax;
}

}  // namespace

// A page with fewer rows has a longer thumb on the scroll bar, drawn at once; a
// page short enough to show whole has no bar at all.
TEST_F(MainWindowTest, TheScrollBarFollowsTheRowsOfEachPage) {
    const std::string path = dir.file("bars.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(n INTEGER, s TEXT);");
        db.fill("INSERT INTO t VALUES (?1, 'row ' || ?1);", 2500);
        db.exec("CREATE TABLE u(n INTEGER);");
        db.fill("INSERT INTO u VALUES (?1);", 1005);
    }
    start(path);
    HWND list = grid();
    const auto shown_matches_drawn_anew = [&] {
        pump_messages();
        const std::vector<COLORREF> shown = vertical_bar_pixels(list);
        RedrawWindow(list, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        return !shown.empty() && shown == vertical_bar_pixels(list);
    };
    EXPECT_EQ(vertical_range(list), 999);
    const std::vector<COLORREF> full_page = vertical_bar_pixels(list);
    command(IDC_PAGE_NEXT);
    command(IDC_PAGE_NEXT);
    ASSERT_EQ(list_row_count(list), 501);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(vertical_range(list), 500);
    EXPECT_TRUE(shown_matches_drawn_anew());
    EXPECT_NE(vertical_bar_pixels(list), full_page);
    command(IDC_PAGE_PREVIOUS);
    EXPECT_EQ(vertical_range(list), 999);
    EXPECT_TRUE(shown_matches_drawn_anew());

    select_table(1);
    command(IDC_PAGE_NEXT);
    ASSERT_EQ(list_row_count(list), 6);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    command(IDC_PAGE_PREVIOUS);
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(shown_matches_drawn_anew());
}

TEST_F(MainWindowTest, TypingInTheGridFindsTheRowThatBeginsWithIt) {
    const std::string path = dir.file("typing.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(n INTEGER);");
        db.fill("INSERT INTO t VALUES (?1);", 40);
    }
    start(path);
    ASSERT_EQ(list_selected_row(grid()), 0);
    for (char c : std::string("00025")) {
        SendMessageA(grid(), WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    EXPECT_EQ(list_selected_row(grid()), 24);
}

TEST_F(MainWindowTest, LabelButtonsAndBlankRowAtThePageEdges) {
    const std::string path = dir.file("edges.db");
    {
        TestDb db(path);
        db.exec(
            "CREATE TABLE e0(n); CREATE TABLE e1(n); CREATE TABLE e1000(n); CREATE TABLE "
            "e1001(n);");
        db.fill("INSERT INTO e1 VALUES (?1);", 1);
        db.fill("INSERT INTO e1000 VALUES (?1);", 1000);
        db.fill("INSERT INTO e1001 VALUES (?1);", 1001);
    }
    start(path);
    struct Expect {
        const char* label;
        bool next;
        int rows;
        bool blank;
        int selected;
    };
    const Expect expected[] = {
        {"0-0", false, 1, true, -1},       // e0: only the blank row, nothing selected
        {"1-1", false, 2, true, 0},        // e1
        {"1-1000", false, 1001, true, 0},  // e1000: the blank row follows row 1000
        {"1-1000", true, 1000, false, 0},  // e1001: no blank row on page 0
    };
    for (int i = 0; i < 4; ++i) {
        select_table(i);
        SCOPED_TRACE(table_at(i));
        EXPECT_EQ(label(), expected[i].label);
        EXPECT_FALSE(previous_enabled());
        EXPECT_EQ(next_enabled(), expected[i].next);
        EXPECT_EQ(list_row_count(grid()), expected[i].rows);
        EXPECT_EQ(main.grid().blank_row() >= 0, expected[i].blank);
        EXPECT_EQ(list_selected_row(grid()), expected[i].selected);
    }
    command(IDC_PAGE_NEXT);
    EXPECT_EQ(label(), "1001-1001");
    EXPECT_TRUE(previous_enabled());
    EXPECT_FALSE(next_enabled());
    ASSERT_EQ(list_row_count(grid()), 2);
    EXPECT_EQ(list_text(grid(), 0, 0), "01001");
    EXPECT_EQ(list_text(grid(), 1, 0), "*");
    EXPECT_EQ(list_selected_row(grid()), 0);
}

TEST_F(MainWindowTest, ShowsHeadersValuesAndRowIdsAsStored) {
    const std::string path = dir.file("values.db");
    {
        TestDb db(path);
        const std::string long_value = std::string(250, 'x') + u8"テーブル";  // 262 bytes
        db.exec(
            u8"CREATE TABLE t(名前 TEXT, bare, n INTEGER);"
            u8"INSERT INTO t(rowid, 名前, bare, n) VALUES (7, NULL, '', 5),"
            u8"(42, 'テーブル', X'41', NULL), (4294967297, '" +
            long_value +
            u8"', 1.5, -3),"
            u8"(-5, 'negative', NULL, NULL);");
    }
    start(path);
    ASSERT_EQ(list_column_count(grid()), 4);
    EXPECT_EQ(list_header(grid(), 0), "RowID");
    EXPECT_EQ(list_header(grid(), 1), "名前 [TEXT]");
    EXPECT_EQ(list_header(grid(), 2), "bare");
    EXPECT_EQ(list_header(grid(), 3), "n [INTEGER]");
    // The row id of ten digits widens the first column; the others share the rest.
    EXPECT_GT(list_column_width(grid(), 0), 60);
    EXPECT_EQ(list_column_width(grid(), 1), list_column_width(grid(), 3));
    EXPECT_GT(list_column_width(grid(), 1), 100);
    EXPECT_EQ(GetWindowLongPtrA(grid(), GWL_STYLE) & WS_HSCROLL, 0);

    ASSERT_EQ(list_row_count(grid()), 5);
    EXPECT_EQ(list_row(grid(), 0), (std::vector<std::string>{"-0005", "negative", "", ""}));
    EXPECT_EQ(list_row(grid(), 1), (std::vector<std::string>{"00007", "", "", "5"}));
    // A BLOB shows its size, even when its bytes would read as text.
    EXPECT_EQ(list_row(grid(), 2),
              (std::vector<std::string>{"00042", "テーブル", "(BLOB 1 バイト)", ""}));
    const std::vector<std::string> big = list_row(grid(), 3);
    EXPECT_EQ(big[0], "4294967297");
    // 250 bytes of x, then the cut after 254 bytes falls inside the third katakana.
    EXPECT_EQ(big[1].size(), 254u);
    EXPECT_EQ(big[1], std::string(250, 'x') + std::string("テーブル").substr(0, 4));
    EXPECT_EQ(big[2], "1.5");
    EXPECT_EQ(big[3], "-3");
    EXPECT_EQ(list_text(grid(), 4, 0), "*");
    // The record with rowid 1 is not on the page: the first row is selected.
    EXPECT_EQ(list_selected_row(grid()), 0);
}

TEST_F(MainWindowTest, BrowsesTablesWhoseNamesNeedQuotingAndRunsNothingElse) {
    const std::string path = dir.file("names.db");
    const std::string long_name(300, 'L');
    {
        TestDb db(path);
        db.exec(
            "CREATE TABLE y(a); INSERT INTO y VALUES (1);"
            "CREATE TABLE \"x; DROP TABLE y\"(v TEXT); INSERT INTO \"x; DROP TABLE y\" VALUES "
            "('kept');"
            "CREATE TABLE \"order items\"(\"item no\" INTEGER); INSERT INTO \"order items\" VALUES "
            "(3);"
            "CREATE TABLE \"" +
            long_name + "\"(v); INSERT INTO \"" + long_name + "\" VALUES ('long');");
    }
    start(path);
    ASSERT_EQ(table_count(), 4);
    for (int i = 0; i < table_count(); ++i) {
        select_table(i);
        SCOPED_TRACE(table_at(i));
        EXPECT_EQ(label(), "1-1");
        EXPECT_EQ(list_row_count(grid()), 2);
        EXPECT_EQ(list_column_count(grid()), 2);
    }
    EXPECT_EQ(table_at(0), long_name);
    TestDb check(path);
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM y"), "1");
}

TEST_F(MainWindowTest, ShowsEveryColumnOfAWideTable) {
    const std::string path = dir.file("wide.db");
    {
        TestDb db(path);
        std::string columns;
        std::string values;
        for (int i = 0; i < 120; ++i) {
            columns += (i ? ", c" : "c") + std::to_string(i) + " TEXT";
            values += (i ? ", 'v" : "'v") + std::to_string(i) + "'";
        }
        db.exec("CREATE TABLE w(" + columns + "); INSERT INTO w VALUES (" + values + ");");
    }
    start(path);
    ASSERT_EQ(list_column_count(grid()), 121);
    EXPECT_EQ(main.grid().column_count(), 120);
    EXPECT_EQ(list_header(grid(), 120), "c119 [TEXT]");
    EXPECT_EQ(list_text(grid(), 0, 120), "v119");
}

TEST_F(MainWindowTest, DropsTheSelectedTableAfterTheQuestion) {
    const std::string path = dir.file("drop.db");
    // Two names alike in their first 63 bytes: the statement must name the chosen one.
    const std::string prefix(63, 'p');
    {
        TestDb db(path);
        db.exec("CREATE TABLE \"" + prefix + "\"(x); CREATE TABLE \"" + prefix +
                "_second\"(x);"
                "CREATE TABLE z(x);");
    }
    start(path);
    ASSERT_EQ(table_count(), 3);
    select_table(1);
    ASSERT_EQ(table_at(1), prefix + "_second");

    boxes.set_answer(IDCANCEL);
    command(IDM_DROP_TABLE);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "テーブル " + prefix + "_second を削除しますか？");
    EXPECT_EQ(boxes.boxes()[0].caption, "テーブル削除");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(boxes.boxes()[0].owner, main.hwnd());
    EXPECT_EQ(table_count(), 3);
    EXPECT_EQ(SendMessageA(selector(), CB_GETCURSEL, 0, 0), 1);

    boxes.set_answer(IDOK);
    command(IDM_DROP_TABLE);
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(table_at(0), prefix);
    EXPECT_EQ(table_at(1), "z");
    EXPECT_EQ(SendMessageA(selector(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(boxes.boxes().size(), 2u);
}

TEST_F(MainWindowTest, ReportsADropTheDatabaseRefuses) {
    const std::string path = dir.file("refuse.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT);");
    }
    start(path);
    ASSERT_EQ(table_at(0), "sqlite_sequence");
    command(IDM_DROP_TABLE);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, "テーブルを削除できませんでした。");
    EXPECT_EQ(boxes.boxes()[1].caption, "テーブル削除");
    EXPECT_EQ(boxes.boxes()[1].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(table_count(), 2);
}

TEST_F(MainWindowTest, NewDatabaseLeavesNothingOfTheOldOneOnScreen) {
    const std::string old_path = dir.file("old.db");
    {
        TestDb db(old_path);
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");
        db.fill("INSERT INTO t VALUES (?1);", 1500);
    }
    start(old_path);
    command(IDC_PAGE_NEXT);
    ASSERT_EQ(label(), "1001-1501");

    ASSERT_TRUE(main.create_database(dir.file("new.db").c_str(), "new.db"));
    EXPECT_EQ(title(), "new.db - KORVELANDIS");
    EXPECT_EQ(table_count(), 0);
    EXPECT_EQ(list_row_count(grid()), 0);
    EXPECT_EQ(list_column_count(grid()), 0);
    EXPECT_EQ(label(), "0-0");
    EXPECT_FALSE(previous_enabled());
    EXPECT_FALSE(next_enabled());
    EXPECT_TRUE(enabled(IDM_NEW_TABLE));
    EXPECT_TRUE(enabled(IDM_SQL_EDITOR));
    EXPECT_FALSE(enabled(IDM_EDIT_STRUCTURE));
    EXPECT_FALSE(enabled(IDM_DROP_TABLE));
    EXPECT_FALSE(enabled(IDM_DELETE_RECORD));
    EXPECT_EQ(main.grid().page().database(), nullptr);

    // The new file is the open database.
    EXPECT_EQ(exec_ansi(main.connection().handle, "CREATE TABLE fresh(x);"), SQLITE_OK);
    main.reload_table_list();
    EXPECT_EQ(table_at(0), "fresh");
}

TEST_F(MainWindowTest, FailedOpenLeavesNoTableAndNoConnectionBehind) {
    const std::string path = dir.file("open.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    }
    start(path);
    ASSERT_EQ(table_count(), 1);

    EXPECT_FALSE(main.open_database(dir.file("no-such-folder\\x.db").c_str()));
    EXPECT_FALSE(main.connection().is_open);
    EXPECT_EQ(title(), "KORVELANDIS");
    EXPECT_EQ(table_count(), 0);
    EXPECT_EQ(list_row_count(grid()), 0);
    EXPECT_EQ(label(), "0-0");
    EXPECT_FALSE(previous_enabled());
    EXPECT_FALSE(next_enabled());
    EXPECT_EQ(main.grid().page().database(), nullptr);
    // The failed open says why; then nothing reaches the closed connection.
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "ファイルが見つかりません。\n" + dir.file("no-such-folder\\x.db"));
    for (UINT id : {IDM_DROP_TABLE, IDM_EDIT_STRUCTURE, IDC_PAGE_NEXT, IDM_DELETE_RECORD}) {
        command(id);
    }
    main.refresh_page();
    EXPECT_EQ(boxes.boxes().size(), 1u);
    TestDb check(path);
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM t"), "1");
}

TEST_F(MainWindowTest, RecordMenuItemFollowsTheSelection) {
    const std::string path = dir.file("select.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1), (2);");
    }
    start(path);
    EXPECT_TRUE(enabled(IDM_DELETE_RECORD));
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(grid(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    EXPECT_FALSE(enabled(IDM_DELETE_RECORD));
    main.grid().select_row(1);
    EXPECT_TRUE(enabled(IDM_DELETE_RECORD));
}

// In a folder whose name Shift-JIS has no form for: the dialog gives the path whole.
TEST_F(MainWindowTest, OpensAFileChosenInTheOpenDialog) {
    const std::string folder = make_utf8_folder(dir.path(), u8"caf\u00E9 \uD55C");
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "\\chosen.db";
    {
        TestDb db(Utf8Path{path});
        db.exec("CREATE TABLE chosen(x);");
    }
    start();
    std::vector<std::string> filters;
    ModalDriver driver([&](HWND dialog) {
        HWND types = GetDlgItem(dialog, 0x470);  // the file-type box
        for (int i = 0; i < SendMessageA(types, CB_GETCOUNT, 0, 0); ++i) {
            char text[256] = "";
            SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            filters.push_back(text);
        }
        type_file_dialog_name(dialog, path);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    command(IDM_OPEN_DATABASE);
    EXPECT_TRUE(driver.ran());
    EXPECT_EQ(filters,
              (std::vector<std::string>{"データベース ファイル (*.db)", "すべてのファイル (*.*)"}));
    EXPECT_EQ(title(), "chosen.db - KORVELANDIS");
    EXPECT_EQ(table_at(0), "chosen");
}

TEST_F(MainWindowTest, AcceleratorKeysAreConsumed) {
    start();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    struct Key {
        WORD vk;
        BYTE modifier;
    };
    const Key consumed[] = {{'C', VK_CONTROL}, {VK_INSERT, VK_CONTROL},
                            {'X', VK_CONTROL}, {VK_DELETE, VK_SHIFT},
                            {'V', VK_CONTROL}, {VK_INSERT, VK_SHIFT},
                            {'Z', VK_CONTROL}, {'P', VK_CONTROL},
                            {'S', VK_CONTROL}, {VK_F6, 0},
                            {VK_F6, VK_SHIFT}, {VK_DELETE, VK_CONTROL}};
    for (const Key& key : consumed) {
        BYTE state[256] = {};
        if (key.modifier) {
            state[key.modifier] = 0x80;
        }
        SetKeyboardState(state);
        MSG msg{main.grid().hwnd(), WM_KEYDOWN, key.vk, 1, 0, {0, 0}};
        EXPECT_TRUE(main.pre_translate_message(&msg)) << key.vk << "/" << int(key.modifier);
    }
    SetKeyboardState(keys);
    pump_messages();
    // The "none" commands and a greyed delete change nothing.
    EXPECT_EQ(title(), "KORVELANDIS");
    EXPECT_TRUE(boxes.boxes().empty());
}

// The drop-down of the table selector shows every name whole, however long, and
// only whole items.
TEST_F(MainWindowTest, TheTableDropDownShowsLongNamesAndWholeItems) {
    const std::string path = dir.file("many.db");
    const std::string long_name(90, 'n');
    {
        TestDb db(path);
        db.exec("CREATE TABLE \"" + long_name + "\"(x);");
        for (int i = 0; i < 25; ++i) {
            db.exec("CREATE TABLE t" + std::to_string(i) + "(x);");
        }
    }
    start(path);
    ASSERT_EQ(table_count(), 26);

    HDC dc = GetDC(selector());
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(selector(), WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, long_name.c_str(), static_cast<int>(long_name.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(selector(), dc);
    EXPECT_GT(SendMessageA(selector(), CB_GETDROPPEDWIDTH, 0, 0), extent.cx);

    SendMessageA(selector(), CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(selector(), &info));
    RECT list{};
    GetClientRect(info.hwndList, &list);
    const int item = static_cast<int>(SendMessageA(info.hwndList, LB_GETITEMHEIGHT, 0, 0));
    SendMessageA(selector(), CB_SHOWDROPDOWN, FALSE, 0);
    ASSERT_GT(item, 0);
    EXPECT_EQ((list.bottom - list.top) % item, 0) << list.bottom - list.top << " / " << item;
    EXPECT_GE((list.bottom - list.top) / item, 8);
}

// Views come after the tables, each marked as a view; the one chosen is shown,
// kept from the structure editor and dropped by its exact name, though a table is
// named just like its entry. A view that no longer holds says why it shows nothing.
TEST_F(MainWindowTest, ShowsViewsAndDropsTheOneChosen) {
    const std::string path = dir.file("views.db");
    const std::string marked = "v (ビュー)";
    {
        TestDb db(path);
        db.exec("CREATE TABLE \"" + utf8_of(marked) + "\"(x); INSERT INTO \"" + utf8_of(marked) +
                "\" VALUES ('kept');"
                "CREATE TABLE t(x TEXT); INSERT INTO t VALUES ('row');"
                "CREATE VIEW v AS SELECT x FROM t;"
                "CREATE TABLE gone(a); CREATE VIEW w AS SELECT a FROM gone; DROP TABLE gone;");
    }
    start(path);
    ASSERT_EQ(table_count(), 4);
    EXPECT_EQ(table_at(0), "t");
    EXPECT_EQ(table_at(1), marked);
    EXPECT_EQ(table_at(2), marked);
    EXPECT_EQ(table_at(3), "w (ビュー)");

    select_table(2);
    EXPECT_EQ(list_header(grid(), 0), "No.");
    EXPECT_EQ(list_header(grid(), 1), "x [TEXT]");
    EXPECT_EQ(list_text(grid(), 0, 1), "row");
    // No trigger inserts: no blank row.
    EXPECT_EQ(ListView_GetItemCount(grid()), 1);

    command(IDM_EDIT_STRUCTURE);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "ビューの構造はここでは変更できません。ビューは SQL で変更してください（SQL "
              "エディタなど）。");

    boxes.set_answer(IDOK);
    command(IDM_DROP_TABLE);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, "ビュー v を削除しますか？");
    {
        TestDb check(path);
        EXPECT_EQ(check.rows("SELECT type, name FROM sqlite_master ORDER BY name"),
                  (std::vector<std::vector<std::string>>{
                      {"table", "t"}, {"table", utf8_of(marked)}, {"view", "w"}}));
        EXPECT_EQ(check.value("SELECT x FROM \"" + utf8_of(marked) + "\""), "kept");
    }
    ASSERT_EQ(table_count(), 3);

    select_table(2);
    ASSERT_EQ(boxes.boxes().size(), 3u);
    EXPECT_EQ(boxes.boxes()[2].text.rfind("このビューを読み込めませんでした。", 0), 0u)
        << boxes.boxes()[2].text;
    EXPECT_NE(boxes.boxes()[2].text.find("no such table"), std::string::npos);
    EXPECT_EQ(ListView_GetItemCount(grid()), 0);
}
