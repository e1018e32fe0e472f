// The viewer on pictures whole, damaged and absent, and the cell commands as the
// user meets them on the grid: the file written, the page after a load, undo.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cell_file_command.h"
#include "grid/value_viewer.h"
#include "tests/win/grid_fixture.h"

namespace {

// A 2 x 3 PNG, red on the left, blue on the right.
constexpr char kPngHex[] =
    "89504E470D0A1A0A0000000D4948445200000002000000030802000000368849D600000010494441"
    "54789C63F8CF0004FF195028003ED605FB5ED756550000000049454E44AE426082";

// The grid's column of the pictures (the row id alias comes first).
constexpr int kImage = 2;

class CellFileWindowTest : public GridTest {
protected:
    void SetUp() override {
        const std::string png = kPngHex;
        open_with(
            "CREATE TABLE p(id INTEGER PRIMARY KEY, img BLOB, note TEXT);"
            "INSERT INTO p VALUES (1, X'" +
            png +
            "', 'whole'),"
            "(2, X'" +
            png.substr(0, 60) +
            "', 'cut'),"
            "(3, randomblob(10000), 'noise'), (4, NULL, 'none');");
    }

    // What the viewer shows for the cell: its info line, and whether a picture.
    struct Shown {
        std::string info;
        bool picture = false;
        std::string dump;
    };
    Shown view(int row) {
        ValueViewer viewer;
        viewer.database = table_grid().page().database();
        viewer.target = table_grid().cell_target(row, kImage);
        EXPECT_NE(viewer.open(main.hwnd()), nullptr);
        Shown shown{window_text(viewer.item(IDC_VIEWER_INFO)), viewer.showing_picture(),
                    window_text(viewer.item(IDC_VIEWER_DUMP))};
        if (viewer.showing_picture()) {
            EXPECT_EQ(viewer.picture().width, 2u);
            EXPECT_EQ(viewer.picture().height, 3u);
            // Scaled up never: drawn at its own size.
            EXPECT_EQ(viewer.picture().shown_width, 2u);
            EXPECT_EQ(viewer.picture().pixels[0] & 0xFFFFFF, 0xFF0000u);
        }
        if (viewer.hwnd() && row == 2) {
            EXPECT_TRUE(IsWindowEnabled(viewer.item(IDC_VIEWER_NEXT)));
            SendMessageA(viewer.hwnd(), WM_COMMAND, IDC_VIEWER_NEXT, 0);
            EXPECT_EQ(viewer.dump_offset(), 4096);
            EXPECT_EQ(window_text(viewer.item(IDC_VIEWER_DUMP)).substr(0, 8), "00001000");
        }
        DestroyWindow(viewer.hwnd());
        return shown;
    }
};

}  // namespace

// A sound picture is drawn with its size; a cut one and random bytes give the
// viewer's word and a dump, never a crash.
TEST_F(CellFileWindowTest, TheViewerShowsPicturesAndDumpsWhatItCannotDecode) {
    // The grid tells a picture by its first bytes, whole or not.
    EXPECT_EQ(list_text(grid(), 0, 2), "(PNG 73 B)");
    EXPECT_EQ(list_text(grid(), 1, 2), "(PNG 30 B)");
    EXPECT_EQ(list_text(grid(), 2, 2), "(BLOB 10000 バイト)");

    const Shown whole = view(0);
    EXPECT_TRUE(whole.picture);
    EXPECT_EQ(whole.info, "PNG 画像  2 × 3 ピクセル  73 バイト");

    const Shown cut = view(1);
    EXPECT_FALSE(cut.picture);
    EXPECT_EQ(cut.info.substr(0, cut.info.find("\r\n")),
              "PNG として表示できませんでした（壊れているか、このシステムでは読めない形式です）。");
    EXPECT_EQ(cut.dump.substr(0, 20), "00000000  89 50 4E 4");

    const Shown noise = view(2);
    EXPECT_FALSE(noise.picture);
    EXPECT_EQ(noise.info, "BLOB  10,000 バイト  (0 - 4,095 バイト目を表示)");
}

// Saving writes the bytes and says so; a load shows on the page at once and
// Ctrl+Z takes it back.
TEST_F(CellFileWindowTest, SaveAndLoadFromTheGridAndUndoTheLoad) {
    const std::string saved = dir.file("saved.png");
    save_cell_to_file(main.hwnd(), table_grid(), 0, kImage, saved, FileEncoding::shift_jis);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "73 バイトを保存しました。\n" + saved);
    EXPECT_EQ(file_bytes(saved), stored_value("SELECT img FROM p WHERE id = 1"));

    boxes.clear();
    save_cell_to_file(main.hwnd(), table_grid(), 3, kImage, dir.file("none.bin"),
                      FileEncoding::shift_jis);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "この値は NULL のため、保存するものがありません。");

    boxes.clear();
    load_cell_from_file(main.hwnd(), table_grid(), &main.history(), 3, kImage, saved, false,
                        FileEncoding::shift_jis);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored_value("SELECT hex(img) = '" + std::string(kPngHex) + "' FROM p WHERE id = 4"),
              "1");
    // Its first bytes tell a picture.
    EXPECT_EQ(list_text(grid(), 3, 2), "(PNG 73 B)");

    SendMessageA(main.hwnd(), WM_COMMAND, IDM_UNDO, 0);
    EXPECT_EQ(stored_value("SELECT typeof(img) FROM p WHERE id = 4"), "null");
    EXPECT_EQ(list_text(grid(), 3, 2), "");
}

// A folder and a file whose names Shift-JIS has no form for: the value is saved
// there, the message names the path whole, and the file loads back.
TEST_F(CellFileWindowTest, SavesAndLoadsThroughAFolderOfAnyCharacters) {
    constexpr char kFolder[] = u8"caf\u00E9 \uD55C";
    constexpr char kFile[] = u8"\U00020BB7\u7530.png";
    const std::string folder = make_utf8_folder(dir.path(), kFolder);
    ASSERT_FALSE(folder.empty());
    const std::string saved = folder + "\\" + kFile;
    save_cell_to_file(main.hwnd(), table_grid(), 0, kImage, saved, FileEncoding::shift_jis);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].utf8_text, u8"73 バイトを保存しました。\n" + saved);
    EXPECT_EQ(utf8_file_bytes(saved), stored_value("SELECT img FROM p WHERE id = 1"));

    boxes.clear();
    load_cell_from_file(main.hwnd(), table_grid(), &main.history(), 3, kImage, saved, false,
                        FileEncoding::shift_jis);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored_value("SELECT hex(img) = '" + std::string(kPngHex) + "' FROM p WHERE id = 4"),
              "1");
}

// A right click selects the row under it and its column becomes the one the cell
// commands act on: the menu's 表示 and F3 afterwards show that cell, not the
// row's first. The blank row has no value to offer.
TEST_F(CellFileWindowTest, ARightClickChoosesTheCellThatTheCommandsActOn) {
    std::vector<bool> offered;
    UINT answer = 0;
    table_grid().choose_from_menu = [&](HMENU popup, POINT) {
        offered.clear();
        for (UINT id : {IDM_CELL_VIEW, IDM_CELL_SAVE, IDM_CELL_LOAD}) {
            offered.push_back((GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) == 0);
        }
        return answer;
    };
    auto right_click = [&](int row, int column) {
        RECT cell;
        table_grid().cell_rect(row, column, cell);
        POINT at{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        ClientToScreen(grid(), &at);
        SendMessageA(grid(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid()),
                     MAKELPARAM(at.x, at.y));
    };
    std::string info;
    auto read_viewer = [&](HWND dialog) {
        info = window_text(GetDlgItem(dialog, IDC_VIEWER_INFO));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };

    select(3);
    answer = IDM_CELL_VIEW;
    {
        ModalDriver close(read_viewer);
        right_click(0, kImage);
    }
    EXPECT_EQ(offered, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(table_grid().selected_row(), 0);
    EXPECT_EQ(info, "PNG 画像  2 × 3 ピクセル  73 バイト");

    info.clear();
    {
        ModalDriver close(read_viewer);
        MSG key{grid(), WM_KEYDOWN, VK_F3, 1, 0, {0, 0}};
        EXPECT_TRUE(main.pre_translate_message(&key));
    }
    EXPECT_EQ(info, "PNG 画像  2 × 3 ピクセル  73 バイト");

    answer = 0;
    right_click(table_grid().blank_row(), kImage);
    EXPECT_EQ(offered, (std::vector<bool>{false, false, false}));
}
