// What the main window shows on the screen, pixel for pixel, after each action that
// gives the grid other columns, against what a window started afresh on the same
// database and table draws. These run with a real display (Wine's X11 driver under
// Xvfb): the null driver keeps no pixels to read back.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "res/resource.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"
#include "win/gdi_handles.h"

namespace {

// Where both windows stand, so that their pictures are taken at the same place.
constexpr int kLeft = 16;
constexpr int kTop = 16;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool operator==(const Picture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// Lets the window paint and the display receive what it painted.
void settle() {
    for (int i = 0; i < 6; ++i) {
        pump_messages();
        GdiFlush();
        Sleep(40);
    }
    pump_messages();
}

// The pixels the screen shows inside a window's outer rectangle: what it last
// painted, read back from the display rather than drawn anew for the test.
Picture screen_picture(HWND window) {
    Picture picture;
    RECT r{};
    if (!GetWindowRect(window, &r)) {
        return picture;
    }
    picture.width = r.right - r.left;
    picture.height = r.bottom - r.top;
    WindowDc screen(nullptr);
    HDC memory = CreateCompatibleDC(screen.get());
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), picture.width, picture.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen.get(), r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * picture.height, 0);
    GetDIBits(memory, bitmap, 0, picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return picture;
}

// The pixels of a window's client area, read back from the display.
Picture client_picture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT outer{};
    GetWindowRect(window, &outer);
    const Picture whole = screen_picture(window);
    Picture picture;
    picture.width = client.right;
    picture.height = client.bottom;
    const int left = origin.x - outer.left;
    const int top = origin.y - outer.top;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(
                whole.pixels[static_cast<std::size_t>(top + y) * whole.width + left + x]);
        }
    }
    return picture;
}

// The colour most pixels have.
std::uint32_t background_of(const Picture& picture) {
    std::map<std::uint32_t, int> counts;
    for (const std::uint32_t pixel : picture.pixels) {
        ++counts[pixel];
    }
    std::uint32_t most = 0;
    int seen = 0;
    for (const auto& [pixel, count] : counts) {
        if (count > seen) {
            most = pixel;
            seen = count;
        }
    }
    return most;
}

// Writes a picture as a BMP file, for a person to look at when a comparison fails.
void save_bmp(const Picture& picture, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = picture.width;
    header.biHeight = -picture.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD bytes = static_cast<DWORD>(picture.pixels.size() * sizeof(std::uint32_t));
    BITMAPFILEHEADER file_header{};
    file_header.bfType = 0x4D42;
    file_header.bfOffBits = sizeof(file_header) + sizeof(header);
    file_header.bfSize = file_header.bfOffBits + bytes;
    std::fwrite(&file_header, sizeof(file_header), 1, file);
    std::fwrite(&header, sizeof(header), 1, file);
    std::fwrite(picture.pixels.data(), 1, bytes, file);
    std::fclose(file);
}

// Where the pictures differ, in words.
std::string difference(const Picture& shown, const Picture& fresh) {
    if (shown.width != fresh.width || shown.height != fresh.height) {
        return "sizes differ";
    }
    int count = 0;
    int first_row = -1;
    for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
        if (shown.pixels[i] != fresh.pixels[i]) {
            if (count++ == 0) {
                first_row = static_cast<int>(i / static_cast<std::size_t>(shown.width));
            }
        }
    }
    return std::to_string(count) + " pixels differ, the first in row " + std::to_string(first_row);
}

bool has_several_colours(const Picture& picture) {
    for (const std::uint32_t pixel : picture.pixels) {
        if (pixel != picture.pixels.front()) {
            return true;
        }
    }
    return false;
}

class ScreenTest : public testing::Test {
protected:
    // A main window on the file (none: no database), at the fixed place.
    std::unique_ptr<MainDialog> start(const std::string& path) {
        auto window = std::make_unique<MainDialog>();
        window->set_startup_path(path.c_str());
        if (!window->create()) {
            ADD_FAILURE() << "the main window was not made";
            return window;
        }
        SetWindowPos(window->hwnd(), HWND_TOP, kLeft, kTop, 0, 0, SWP_NOSIZE);
        ShowWindow(window->hwnd(), SW_SHOW);
        SetForegroundWindow(window->hwnd());
        settle();
        return window;
    }

    void select_table(MainDialog& window, int index) {
        HWND selector = GetDlgItem(window.hwnd(), IDC_TABLE_SELECTOR);
        SendMessageA(selector, CB_SETCURSEL, index, 0);
        SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TABLE_SELECTOR, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(selector));
    }

    // The grid as the screen shows it now.
    Picture shown_grid(MainDialog& window) {
        settle();
        return screen_picture(GetDlgItem(window.hwnd(), IDC_GRID));
    }

    // The grid of a window started afresh on the file, with table `index` chosen
    // and everything drawn anew: what the user must see after any path that led
    // to the same table.
    Picture fresh_grid(const std::string& path, int index) {
        std::unique_ptr<MainDialog> fresh = start(path);
        if (index > 0) {
            select_table(*fresh, index);
        }
        RedrawWindow(fresh->hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return shown_grid(*fresh);
    }

    // Compares the grid shown after an action with a fresh start's; the window of
    // the action is closed first so that the fresh one stands in its place.
    void expect_as_fresh(std::unique_ptr<MainDialog>& window,
                         const std::string& path,
                         int index,
                         const char* action) {
        const Picture shown = shown_grid(*window);
        window.reset();
        const Picture fresh = fresh_grid(path, index);
        // A display that kept nothing (the null driver) would make any two equal.
        ASSERT_TRUE(has_several_colours(shown)) << action << ": nothing drawn on the screen";
        const bool same = shown == fresh;
        EXPECT_TRUE(same) << action << ": " << difference(shown, fresh);
        if (!same) {
            if (const char* folder = std::getenv("KORV_SCREEN_DUMP")) {
                save_bmp(shown, std::string(folder) + "/" + action + "-shown.bmp");
                save_bmp(fresh, std::string(folder) + "/" + action + "-fresh.bmp");
            }
        }
    }

    // Two tables of different shapes: a_seven (7 columns) and b_two (2).
    std::string two_tables(const char* name) {
        const std::string path = dir.file(name);
        TestDb db(path);
        db.exec("CREATE TABLE a_seven(c1, c2, c3, c4, c5, c6, c7);");
        db.exec(
            "INSERT INTO a_seven VALUES (1, 2, 3, 4, 5, 6, 7), ('a', 'b', 'c', 'd', 'e', "
            "'f', 'g');");
        db.exec("CREATE TABLE b_two(left_one TEXT, right_one INTEGER);");
        db.exec("INSERT INTO b_two VALUES ('x', 10), ('y', 20), ('z', 30);");
        return path;
    }

    TempDir dir;
    MessageBoxRecorder boxes;
};

}  // namespace

TEST_F(ScreenTest, ChoosingAnotherTableShowsItsOwnHeader) {
    const std::string path = two_tables("choose.db");
    std::unique_ptr<MainDialog> window = start(path);
    select_table(*window, 1);
    expect_as_fresh(window, path, 1, "choose-b_two");

    window = start(path);
    select_table(*window, 1);
    settle();
    select_table(*window, 0);
    expect_as_fresh(window, path, 0, "back-to-a_seven");
}

TEST_F(ScreenTest, OpeningAnotherFileShowsItsHeader) {
    const std::string first = two_tables("first.db");
    const std::string second = dir.file("second.db");
    {
        TestDb db(second);
        db.exec("CREATE TABLE only_one(name TEXT);");
        db.exec("INSERT INTO only_one VALUES ('one');");
    }
    std::unique_ptr<MainDialog> window = start(first);
    ASSERT_TRUE(window->open_database(second.c_str()));
    expect_as_fresh(window, second, 0, "open");
}

// A table given another column, and a table dropped: the paths that read the
// list of tables again (SQL editor, structure editor, CSV import, Drop table).
TEST_F(ScreenTest, ATableChangedOrDroppedShowsTheHeaderItHasNow) {
    const std::string path = two_tables("changed.db");
    std::unique_ptr<MainDialog> window = start(path);
    {
        TestDb db(path);
        db.exec("ALTER TABLE a_seven ADD COLUMN c8;");
    }
    window->reload_table_list();
    expect_as_fresh(window, path, 0, "restructured");

    window = start(path);
    window->drop_table("a_seven");
    expect_as_fresh(window, path, 0, "dropped");
}

// The page label shows the range of the last page of a table of ten thousand
// million records whole: a text cut by the label's edges would touch both of them.
TEST_F(ScreenTest, PageLabelShowsTheWidestRangeWhole) {
    std::unique_ptr<MainDialog> window = start(two_tables("label.db"));
    HWND label = GetDlgItem(window->hwnd(), IDC_PAGE_LABEL);
    SetWindowTextA(label, "9999999001-10000000000");
    InvalidateRect(label, nullptr, TRUE);
    settle();
    const Picture picture = client_picture(label);
    ASSERT_GT(picture.width, 2);
    ASSERT_TRUE(has_several_colours(picture)) << "nothing drawn in the label";
    const std::uint32_t background = background_of(picture);
    for (const int x : {0, picture.width - 1}) {
        int drawn = 0;
        for (int y = 0; y < picture.height; ++y) {
            drawn += picture.pixels[static_cast<std::size_t>(y) * picture.width + x] != background;
        }
        EXPECT_EQ(drawn, 0) << "text at the label's edge, column " << x;
    }
}

namespace {

// The pixels of one cell of the grid (its label rectangle), read from the screen.
Picture cell_picture(MainDialog& window, int row, int column) {
    RECT cell{};
    window.grid().cell_rect(row, column, cell);
    const Picture whole = screen_picture(GetDlgItem(window.hwnd(), IDC_GRID));
    RECT outer{};
    GetWindowRect(GetDlgItem(window.hwnd(), IDC_GRID), &outer);
    POINT origin{0, 0};
    ClientToScreen(GetDlgItem(window.hwnd(), IDC_GRID), &origin);
    Picture picture;
    picture.width = cell.right - cell.left;
    picture.height = cell.bottom - cell.top;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int at_x = origin.x - outer.left + cell.left + x;
            const int at_y = origin.y - outer.top + cell.top + y;
            picture.pixels.push_back(
                whole.pixels[static_cast<std::size_t>(at_y) * whole.width + at_x]);
        }
    }
    return picture;
}

}  // namespace

// Values that the code page used to draw alike (its look-alike letters, its
// question mark) are drawn differently: each is shown as the database holds it.
TEST_F(ScreenTest, ValuesThatLookAlikeInTheCodePageAreDrawnApart) {
    const std::string path = dir.file("alike.db");
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {u8"caf\u00e9", "cafe"},
        {u8"\u00df", "s"},
        {u8"\u00f1and\u00fa", "nandu"},
        {u8"\ud55c", "?"},
        {u8"\U00020BB7", "?"},
        // Beyond the basic plane: drawn from a font that has the character, not as
        // the two boxes of characters no font has.
        {u8"\U00020BB7", u8"\uE000\uE000"},
        {u8"\U0001F600", u8"\uE000\uE000"},
    };
    {
        TestDb db(path);
        db.exec("CREATE TABLE pairs(a TEXT, b TEXT);");
        for (const auto& [held, alike] : pairs) {
            db.exec("INSERT INTO pairs VALUES ('" + held + "', '" + alike + "');");
        }
    }
    std::unique_ptr<MainDialog> window = start(path);
    settle();
    for (std::size_t row = 0; row < pairs.size(); ++row) {
        const Picture held = cell_picture(*window, static_cast<int>(row), 1);
        const Picture alike = cell_picture(*window, static_cast<int>(row), 2);
        ASSERT_TRUE(has_several_colours(alike)) << "row " << row << ": nothing drawn";
        EXPECT_FALSE(held == alike) << "row " << row << " draws like its look-alike";
    }
}
