// The viewer on pictures whole, damaged and absent, and the cell commands as the
// user meets them on the grid: the file written, the page after a load, undo.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

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

std::string file_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

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
    save_cell_to_file(main.hwnd(), table_grid(), 0, kImage, saved, CsvEncoding::shift_jis);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "73 バイトを保存しました。\n" + saved);
    EXPECT_EQ(file_bytes(saved), stored_value("SELECT img FROM p WHERE id = 1"));

    boxes.clear();
    save_cell_to_file(main.hwnd(), table_grid(), 3, kImage, dir.file("none.bin"),
                      CsvEncoding::shift_jis);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "この値は NULL のため、保存するものがありません。");

    boxes.clear();
    load_cell_from_file(main.hwnd(), table_grid(), &main.history(), 3, kImage, saved, false,
                        CsvEncoding::shift_jis);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored_value("SELECT hex(img) = '" + std::string(kPngHex) + "' FROM p WHERE id = 4"),
              "1");
    // Its first bytes tell a picture.
    EXPECT_EQ(list_text(grid(), 3, 2), "(PNG 73 B)");

    SendMessageA(main.hwnd(), WM_COMMAND, IDM_UNDO, 0);
    EXPECT_EQ(stored_value("SELECT typeof(img) FROM p WHERE id = 4"), "null");
    EXPECT_EQ(list_text(grid(), 3, 2), "");
}
