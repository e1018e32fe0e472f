// Values that the code page used to draw alike, as the screen shows them: in a list
// view's own cells and in cells drawn by the cell helper, in the dialogs' font, read
// back from the display (Wine's X11 driver under Xvfb, in the screen prefix).

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/win_support.h"
#include "win/gdi_handles.h"
#include "win/text_drawing.h"

namespace {

// Written as escapes: the test macros turn their arguments into Shift-JIS text.
const std::wstring kRows[] = {
    L"caf\u00E9",  L"cafe",        // é and e
    L"\u00DF",     L"s",           // ß and s
    L"\u00F1",     L"n",           // ñ and n
    L"\uD55C",     L"?",           // 한 and ?
    L"\U00020BB7", L"\U0001F600",  // 𠮷 and 😀
    L"\uFFFF",                     // no font has it: the missing-glyph box
};
enum Row { kCafeAccent, kCafe, kSharpS, kS, kTildeN, kN, kHangul, kQuestion, kKanji, kEmoji, kBox };
constexpr int kRowCount = sizeof(kRows) / sizeof(kRows[0]);
constexpr int kRowHeight = 20;
constexpr int kColumnWidth = 160;

// A window with a list view on the left, which asks for its rows' texts with
// LVN_GETDISPINFOW, and the same texts drawn by draw_cell_text on the right.
class TextWindow {
public:
    TextWindow() {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        LOGFONTW face{};
        face.lfHeight = -MulDiv(9, dpi, 72);
        face.lfCharSet = SHIFTJIS_CHARSET;
        lstrcpynW(face.lfFaceName, L"ＭＳ ゴシック", LF_FACESIZE);
        font_.reset(CreateFontIndirectW(&face));

        WNDCLASSW window_class{};
        window_class.lpfnWndProc = &TextWindow::window_proc;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        window_class.lpszClassName = L"KorvTextScreenTest";
        RegisterClassW(&window_class);
        window_ = CreateWindowExW(WS_EX_TOPMOST, window_class.lpszClassName, L"", WS_POPUP, 16, 16,
                                  kColumnWidth * 2 + 40, kRowHeight * (kRowCount + 2), nullptr,
                                  nullptr, window_class.hInstance, this);
        list_ =
            CreateWindowExW(0, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA,
                            0, 0, kColumnWidth + 20, kRowHeight * (kRowCount + 2), window_, nullptr,
                            window_class.hInstance, nullptr);
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = kColumnWidth;
        SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        SendMessageW(list_, LVM_SETITEMCOUNT, kRowCount, 0);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        settle();
    }
    ~TextWindow() { DestroyWindow(window_); }
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;

    // The pixels of a row's text as the list shows it on the screen.
    std::vector<std::uint32_t> list_row(int row) const {
        RECT label{};
        label.left = LVIR_LABEL;
        SendMessageW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label));
        MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&label), 2);
        return screen_pixels(label);
    }

    // The pixels of a row drawn by the helper, as the screen shows them.
    std::vector<std::uint32_t> helper_row(int row) const {
        RECT cell = helper_cell(row);
        MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&cell), 2);
        return screen_pixels(cell);
    }

private:
    static RECT helper_cell(int row) {
        const int left = kColumnWidth + 30;
        return RECT{left, row * kRowHeight, left + kColumnWidth, (row + 1) * kRowHeight};
    }

    static void settle() {
        for (int i = 0; i < 6; ++i) {
            pump_messages();
            GdiFlush();
            Sleep(40);
        }
        pump_messages();
    }

    static std::vector<std::uint32_t> screen_pixels(const RECT& r) {
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
        WindowDc screen(nullptr);
        HDC memory = CreateCompatibleDC(screen.get());
        HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        return pixels;
    }

    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<TextWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
            case WM_NOTIFYFORMAT:
                return NFR_UNICODE;
            case WM_NOTIFY:
                if (reinterpret_cast<NMHDR*>(lparam)->code == LVN_GETDISPINFOW) {
                    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
                    if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 &&
                        info->item.iItem < kRowCount) {
                        lstrcpynW(info->item.pszText, kRows[info->item.iItem].c_str(),
                                  info->item.cchTextMax);
                    }
                }
                return 0;
            case WM_PAINT: {
                PAINTSTRUCT paint{};
                HDC dc = BeginPaint(window, &paint);
                if (self) {
                    HGDIOBJ old = SelectObject(dc, self->font_.get());
                    SetBkMode(dc, TRANSPARENT);
                    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                    for (int row = 0; row < kRowCount; ++row) {
                        draw_cell_text(dc, helper_cell(row), kRows[row]);
                    }
                    SelectObject(dc, old);
                }
                EndPaint(window, &paint);
                return 0;
            }
            default:
                return DefWindowProcW(window, message, wparam, lparam);
        }
    }

    FontHandle font_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

bool has_ink(const std::vector<std::uint32_t>& pixels) {
    for (const std::uint32_t pixel : pixels) {
        if (pixel != pixels.front()) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Each pair that the code page drew alike is told apart on the screen, by the list
// view and by the helper; Hangul is no missing-glyph box in the list; 𠮷 and 😀 are
// neither the box nor each other where the helper draws them.
TEST(ScreenTextTest, LookAlikeValuesDrawDifferentlyOnTheScreen) {
    TextWindow window;
    const std::pair<int, int> pairs[] = {
        {kCafeAccent, kCafe}, {kSharpS, kS}, {kTildeN, kN}, {kHangul, kQuestion}};
    for (const auto& [value, look_alike] : pairs) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(has_ink(window.list_row(value))) << "nothing on the screen";
        EXPECT_TRUE(window.list_row(value) != window.list_row(look_alike)) << "list view";
        EXPECT_TRUE(window.helper_row(value) != window.helper_row(look_alike)) << "helper";
    }
    EXPECT_TRUE(window.list_row(kHangul) != window.list_row(kBox)) << "Hangul as the box";
    for (const int row : {kKanji, kEmoji}) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(has_ink(window.helper_row(row)));
        EXPECT_TRUE(window.helper_row(row) != window.helper_row(kBox));
    }
    EXPECT_TRUE(window.helper_row(kKanji) != window.helper_row(kEmoji));
}
