// The main window's resources as the user meets them: menu texts and ids, the
// accelerator table, the controls of dialog 129 with their styles and places.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "tests/win/main_window_fixture.h"

namespace {

std::string menu_text(HMENU menu, UINT position) {
    char text[256] = "";
    GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

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
          {"削除(&D)", IDM_DROP_TABLE}}},
        {"レコード(&R)", {{"削除(&D)\t\tCtrl+[DEL]", IDM_DELETE_RECORD}}},
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
        {FCONTROL, 'P', IDM_PRINT},
        {FCONTROL, 'S', IDM_SAVE},
        {0, VK_F6, IDM_NEXT_PANE},
        {FSHIFT, VK_F6, IDM_PREVIOUS_PANE},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].fVirt & ~0x80, FVIRTKEY | FNOINVERT | expected[i].modifiers) << i;
        EXPECT_EQ(entries[i].key, expected[i].key) << i;
        EXPECT_EQ(entries[i].cmd, expected[i].command) << i;
    }
}

TEST_F(MainWindowTest, ControlsStandWhereTheTemplatePutsThem) {
    start();
    HWND dialog = main.hwnd();
    const LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    for (LONG_PTR bit : {WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX}) {
        EXPECT_EQ(style & bit, bit);
    }
    RECT client;
    GetClientRect(dialog, &client);
    const RECT size = dialog_units(dialog, 0, 0, 444, 299);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    struct Control {
        int id;
        const char* class_name;
        const char* text;
        DWORD styles;
        int x, y, w, h;
    };
    const Control controls[] = {
        // (The combo box hands WS_VSCROLL to its list, the list view turns WS_BORDER
        // into an edge: both are the controls' own doing.)
        {IDC_TABLE_SELECTOR, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP, 52, 6, 132, 13},
        {IDC_GRID, "SysListView32", "List1",
         LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, 7, 25, 430, 266},
        {IDC_PAGE_PREVIOUS, "Button", "<<", BS_FLAT | WS_TABSTOP, 319, 6, 30, 14},
        {IDC_PAGE_NEXT, "Button", ">>", BS_FLAT | WS_TABSTOP, 408, 6, 30, 14},
        {IDC_PAGE_LABEL, "Static", "0-0", SS_CENTER | SS_SUNKEN | WS_GROUP, 352, 8, 53, 10},
    };
    for (const Control& c : controls) {
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        char class_name[64] = "";
        GetClassNameA(control, class_name, sizeof(class_name));
        EXPECT_STRCASEEQ(class_name, c.class_name) << c.id;
        EXPECT_EQ(window_text(control), c.text) << c.id;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)) & c.styles, c.styles)
            << c.id;
        const RECT expected = dialog_units(dialog, c.x, c.y, c.w, c.h);
        const RECT actual = rect_in_parent(control);
        EXPECT_EQ(actual.left, expected.left) << c.id;
        EXPECT_EQ(actual.top, expected.top) << c.id;
        EXPECT_EQ(actual.right, expected.right) << c.id;
        if (c.id != IDC_TABLE_SELECTOR) {  // a drop-down list sizes its own height
            EXPECT_EQ(actual.bottom, expected.bottom) << c.id;
        }
    }
    HWND caption = FindWindowExA(dialog, nullptr, "Static", "テーブル");
    ASSERT_NE(caption, nullptr);
    const RECT expected = dialog_units(dialog, 12, 9, 34, 9);
    EXPECT_EQ(rect_in_parent(caption).left, expected.left);

    // The dialog's font, the editor's colours and the grid's list styles.
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    EXPECT_STREQ(font.lfFaceName, "ＭＳ ゴシック");
    EXPECT_EQ(SendMessageA(grid(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x21, 0x21);
    EXPECT_NE(SendMessageA(grid(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
    EXPECT_NE(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0), 0);
}
