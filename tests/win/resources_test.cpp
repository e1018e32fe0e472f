// The program's resources as the user meets them: each dialog's caption and its
// controls in tab order with their ids, classes and texts; the main menu; the
// accelerator keys. Places, sizes and style bits are left to the templates.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "tests/win/main_window_fixture.h"
#include "win/dialog.h"

namespace {

std::string menu_text(HMENU menu, UINT position) {
    char text[256] = "";
    GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

INT_PTR CALLBACK plain_dialog_proc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

struct TemplateControl {
    int id;
    const char* class_name;
    const char* text;  // nullptr: an icon, which shows no text
};

struct DialogTemplate {
    int id;
    const char* caption;
    std::vector<TemplateControl> controls;  // in tab order
};

}  // namespace

TEST_F(MainWindowTest, MenuHasTheProgramsItems) {
    start();
    HMENU menu = GetMenu(main.hwnd());
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    struct Item {
        const char* text;
        UINT id;  // 0 for a separator
    };
    const std::vector<std::pair<const char*, std::vector<Item>>> expected = {
        {"ファイル(&F)",
         {{"新規データベースの作成(&N)", IDM_NEW_DATABASE},
          {"データベースを開く(&O)", IDM_OPEN_DATABASE},
          {"", 0},
          {"プログラムの終了(&X)", IDM_EXIT}}},
        {"テーブル(&T)",
         {{"新規作成(&C)", IDM_NEW_TABLE},
          {"構造編集(&E)", IDM_EDIT_STRUCTURE},
          {"削除(&D)", IDM_DROP_TABLE},
          {"", 0},
          {"CSV 書き出し(&X)...", IDM_EXPORT_CSV},
          {"CSV 読み込み(&I)...", IDM_IMPORT_CSV}}},
        {"レコード(&R)",
         {{"削除(&D)\t\tCtrl+[DEL]", IDM_DELETE_RECORD},
          {"", 0},
          {"元に戻す(&U)\tCtrl+Z", IDM_UNDO},
          {"やり直し(&R)\tCtrl+Y", IDM_REDO},
          {"", 0},
          {"セルを表示(&V)...\tF3", IDM_CELL_VIEW},
          {"セルをファイルに保存(&S)...\tCtrl+Shift+S", IDM_CELL_SAVE},
          {"セルをファイルから読み込み(&L)...\tCtrl+Shift+L", IDM_CELL_LOAD}}},
        {"SQL(&S)", {{"SQL Editor(&E)", IDM_SQL_EDITOR}}},
        {"ヘルプ(&H)",
         {{"目次(&C)\t\tF1", IDM_HELP_CONTENTS}, {"", 0}, {"バージョン情報(&A)", IDM_ABOUT}}},
    };
    for (UINT i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(menu_text(menu, i), expected[i].first);
        HMENU popup = GetSubMenu(menu, static_cast<int>(i));
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(expected[i].second.size()));
        for (UINT j = 0; j < expected[i].second.size(); ++j) {
            const Item& item = expected[i].second[j];
            if (item.id == 0) {
                EXPECT_TRUE(GetMenuState(popup, j, MF_BYPOSITION) & MF_SEPARATOR);
                continue;
            }
            EXPECT_EQ(menu_text(popup, j), item.text);
            EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(j)), item.id);
        }
    }
}

TEST_F(MainWindowTest, AcceleratorTableIsAsListed) {
    start();
    HACCEL table = main.accelerators();
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> entries(static_cast<std::size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
    CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
    struct Expected {
        BYTE modifiers;
        WORD key;
        WORD command;
    };
    const Expected expected[] = {
        {FCONTROL, 'N', IDM_NEW_DATABASE},
        {FCONTROL, 'O', IDM_OPEN_DATABASE},
        {FCONTROL, VK_DELETE, IDM_DELETE_RECORD},
        {0, VK_F1, IDM_HELP_CONTENTS},
        {FCONTROL, 'C', IDM_COPY},
        {FCONTROL, VK_INSERT, IDM_COPY},
        {FCONTROL, 'X', IDM_CUT},
        {FSHIFT, VK_DELETE, IDM_CUT},
        {FCONTROL, 'V', IDM_PASTE},
        {FSHIFT, VK_INSERT, IDM_PASTE},
        {FCONTROL, 'Z', IDM_UNDO},
        {FALT, VK_BACK, IDM_UNDO},
        {FCONTROL, 'Y', IDM_REDO},
        {FCONTROL, 'P', IDM_PRINT},
        {FCONTROL, 'S', IDM_SAVE},
        {0, VK_F6, IDM_NEXT_PANE},
        {FSHIFT, VK_F6, IDM_PREVIOUS_PANE},
        {0, VK_F3, IDM_CELL_VIEW},
        {FCONTROL | FSHIFT, 'S', IDM_CELL_SAVE},
        {FCONTROL | FSHIFT, 'L', IDM_CELL_LOAD},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].fVirt & ~0x80, FVIRTKEY | FNOINVERT | expected[i].modifiers) << i;
        EXPECT_EQ(entries[i].key, expected[i].key) << i;
        EXPECT_EQ(entries[i].cmd, expected[i].command) << i;
    }
}

// Each dialog made from its template, as the program makes it: a control that
// is missing, out of order, of another kind, with another id or text shows here.
TEST(Resources, DialogsHaveTheirCaptionsAndControls) {
    const DialogTemplate dialogs[] = {
        {IDD_MAIN,
         "KORVELANDIS",
         {{IDC_TABLE_SELECTOR, "ComboBox", ""},
          {IDC_STATIC, "Static", "テーブル"},
          {IDC_GRID, "SysListView32", "List1"},
          {IDC_PAGE_PREVIOUS, "Button", "<<"},
          {IDC_PAGE_NEXT, "Button", ">>"},
          {IDC_PAGE_LABEL, "Static", "0-0"}}},
        {IDD_ABOUT,
         "バージョン情報",
         {{IDOK, "Button", "OK"},
          {IDC_STATIC, "Static", "KORVELANDIS"},
          {IDC_STATIC, "Static", nullptr},
          {IDC_STATIC, "Button", ""},
          {IDC_STATIC, "Static", "Version 1.2"}}},
        {IDD_STRUCTURE_EDITOR,
         "構造編集",
         {{IDC_STATIC, "Static", "識別名"},
          {IDC_STRUCTURE_TABLE_NAME, "Edit", ""},
          {IDC_COLUMN_LIST, "SysListView32", ""},
          {IDC_STATIC, "Static", "項目名"},
          {IDC_COLUMN_NAME, "Edit", ""},
          {IDC_STATIC, "Static", "型情報"},
          {IDC_COLUMN_TYPE, "ComboBox", ""},
          {IDC_ADD_COLUMN, "Button", "追加"},
          {IDC_DELETE_COLUMN, "Button", "削除"},
          {IDOK, "Button", "OK"},
          {IDCANCEL, "Button", "キャンセル"}}},
        {IDD_SQL_EDITOR,
         "SQL Editor",
         {{IDC_SQL_TEXT, "RICHEDIT50W", ""},
          {IDC_SQL_RESULT, "SysListView32", ""},
          {IDOK, "Button", "実行"},
          {IDCANCEL, "Button", "終了"},
          {IDC_SQL_EXPORT, "Button", "CSV 書き出し..."}}},
        {IDD_CSV_EXPORT,
         "CSV 書き出し",
         {{IDC_STATIC, "Static", "文字コード"},
          {IDC_CSV_ENCODING, "ComboBox", ""},
          {IDC_STATIC, "Static", "区切り文字"},
          {IDC_CSV_SEPARATOR, "ComboBox", ""},
          {IDC_CSV_COLUMN_NAMES, "Button", "1 行目に列名を書く"},
          {IDOK, "Button", "OK"},
          {IDCANCEL, "Button", "キャンセル"}}},
        {IDD_CSV_IMPORT,
         "CSV 読み込み",
         {{IDC_STATIC, "Static", "読み込まれる形 (先頭の 10 件)"},
          {IDC_CSV_PREVIEW, "Edit", ""},
          {IDC_STATIC, "Static", "文字コード"},
          {IDC_CSV_ENCODING, "ComboBox", ""},
          {IDC_STATIC, "Static", "区切り文字"},
          {IDC_CSV_SEPARATOR, "ComboBox", ""},
          {IDC_CSV_COLUMN_NAMES, "Button", "1 行目は列名"},
          {IDC_CSV_NEW_TABLE, "Button", "新しいテーブル"},
          {IDC_CSV_TABLE_NAME, "Edit", ""},
          {IDC_CSV_TYPED, "Button", "値から列の型を決める"},
          {IDC_CSV_EXISTING_TABLE, "Button", "既存のテーブル"},
          {IDC_CSV_TABLE_LIST, "ComboBox", ""},
          {IDOK, "Button", "OK"},
          {IDCANCEL, "Button", "キャンセル"}}},
        {IDD_TEXT_EDIT,
         "テキスト編集",
         {{IDC_TEXT_AREA, "RichEdit50W", ""},
          {IDOK, "Button", "OK"},
          {IDCANCEL, "Button", "キャンセル"}}},
    };
    for (const DialogTemplate& d : dialogs) {
        SCOPED_TRACE(d.caption);
        HWND dialog = CreateDialogParamA(module_instance(), MAKEINTRESOURCEA(d.id), nullptr,
                                         plain_dialog_proc, 0);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(window_text(dialog), d.caption);
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const TemplateControl& c : d.controls) {
            ASSERT_NE(child, nullptr) << c.id;
            char class_name[64] = "";
            GetClassNameA(child, class_name, sizeof(class_name));
            EXPECT_EQ(GetDlgCtrlID(child), c.id);
            EXPECT_STRCASEEQ(class_name, c.class_name) << c.id;
            if (c.text) {
                EXPECT_EQ(window_text(child), c.text) << c.id;
            } else {
                EXPECT_NE(SendMessageA(child, STM_GETICON, 0, 0), 0);
            }
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr);
        DestroyWindow(dialog);
    }
}

// What the main window adds to its template: the grid's lines and full-row
// selection, its images, the program's icons.
TEST_F(MainWindowTest, ShowsTheGridsLinesAndImagesAndTheProgramsIcons) {
    start();
    EXPECT_EQ(SendMessageA(grid(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x21, 0x21);
    EXPECT_NE(SendMessageA(grid(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
    EXPECT_NE(SendMessageA(main.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(main.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
}
