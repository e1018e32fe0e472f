// Characters outside Shift-JIS on the screen: drawn from a font that has them, never
// as the missing-glyph box where the system has such a font, and never alike when
// they differ. Pictures are drawn into memory bitmaps, which hold pixels under any
// display driver.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win/gdi_handles.h"

namespace {

// The faces the program's dialogs name, and so the fonts of its lists and fields.
const wchar_t* const kDialogFaces[] = {L"ＭＳ ゴシック", L"ＭＳ Ｐゴシック", L"MS UI Gothic"};

// Characters outside Shift-JIS, written as escapes: the test macros turn their
// arguments into Shift-JIS text.
const std::wstring kHangul = L"\uD55C";                // 한
const std::wstring kBeyondPlaneKanji = L"\U00020BB7";  // 𠮷, as in 𠮷田
const std::wstring kEmoji = L"\U0001F600";             // 😀

// A cell of a list's row.
constexpr RECT kCell{4, 2, 124, 22};
constexpr int kWidth = 128;
constexpr int kHeight = 24;

struct Picture {
    std::vector<std::uint32_t> pixels;

    bool operator==(const Picture& other) const { return pixels == other.pixels; }
    bool operator!=(const Picture& other) const { return !(*this == other); }

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * kWidth + x] & 0xFFFFFF;
    }
    int ink() const {
        int count = 0;
        for (const std::uint32_t pixel : pixels) {
            count += (pixel & 0xFFFFFF) != 0xFFFFFF;
        }
        return count;
    }
};

// A dialog face at 9 points, the size the dialogs give it, at the screen's DPI.
FontHandle dialog_font(const wchar_t* face) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW font{};
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return FontHandle(CreateFontIndirectW(&font));
}

// What `draw` paints in black on white, with `font` selected.
Picture picture_of(HFONT font, const std::function<void(HDC)>& draw) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Picture picture;
    if (!bitmap || !bits) {
        DeleteDC(dc);
        ADD_FAILURE() << "no bitmap to draw into";
        return picture;
    }
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HGDIOBJ old_font = SelectObject(dc, font);
    const RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    draw(dc);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    picture.pixels.assign(first, first + kWidth * kHeight);
    SelectObject(dc, old_font);
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

// The list view's flags for a cell's text.
constexpr UINT kListTextFlags =
    DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_SINGLELINE | DT_WORD_ELLIPSIS | DT_END_ELLIPSIS;

Picture drawn_by_gdi(HFONT font, const std::wstring& text) {
    return picture_of(font, [&](HDC dc) {
        RECT cell = kCell;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell, kListTextFlags);
    });
}

// Where a line of the font stands in the cell, vertically centred as DrawTextW
// centres it.
int text_top(HDC dc, const RECT& cell) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return cell.top + (cell.bottom - cell.top) / 2 - metrics.tmHeight / 2;
}

// The font's missing-glyph box, `count` times, where a cell's text starts: what GDI
// draws for a character no font gives it (twice for one beyond the basic plane).
Picture missing_glyphs(HFONT font, int count) {
    return picture_of(font, [&](HDC dc) {
        const std::vector<WORD> glyphs(count, 0);
        ExtTextOutW(dc, kCell.left, text_top(dc, kCell), ETO_GLYPH_INDEX | ETO_CLIPPED, &kCell,
                    reinterpret_cast<const wchar_t*>(glyphs.data()), count, nullptr);
    });
}

std::string face_name(const wchar_t* face) {
    char name[LF_FACESIZE * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, face, -1, name, sizeof(name), nullptr, nullptr);
    return name;
}

// A report list view with one column, whose rows' texts it asks for with
// LVN_GETDISPINFOW, as the program's lists do.
class WideList {
public:
    WideList(HFONT font, std::vector<std::wstring> rows) : rows_(std::move(rows)) {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = &WideList::parent_proc;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"KorvTextDrawingTestParent";
        RegisterClassW(&window_class);
        parent_ = CreateWindowExW(0, window_class.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0,
                                  400, 300, nullptr, nullptr, window_class.hInstance, nullptr);
        SetWindowLongPtrW(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0, 300, 200,
                                parent_, nullptr, window_class.hInstance, nullptr);
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 200;
        SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        SendMessageW(list_, LVM_SETITEMCOUNT, rows_.size(), 0);
    }
    ~WideList() { DestroyWindow(parent_); }
    WideList(const WideList&) = delete;
    WideList& operator=(const WideList&) = delete;

    // The pixels of a row's text as the list paints it.
    Picture row_picture(int row) {
        RECT label{};
        label.left = LVIR_LABEL;
        SendMessageW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label));
        RECT client{};
        GetClientRect(list_, &client);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = client.right;
        info.bmiHeader.biHeight = -client.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(list_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        Picture picture;
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        for (int y = label.top; y < label.bottom; ++y) {
            for (int x = label.left; x < label.right; ++x) {
                picture.pixels.push_back(pixels[y * client.right + x]);
            }
        }
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return picture;
    }

private:
    static LRESULT CALLBACK parent_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        auto* self = reinterpret_cast<WideList*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NOTIFYFORMAT) {
            return NFR_UNICODE;
        }
        if (message == WM_NOTIFY && self &&
            reinterpret_cast<NMHDR*>(lparam)->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
            if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 &&
                info->item.iItem < static_cast<int>(self->rows_.size())) {
                lstrcpynW(info->item.pszText, self->rows_[info->item.iItem].c_str(),
                          info->item.cchTextMax);
            }
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

    std::vector<std::wstring> rows_;
    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace

// Hangul is in none of the Japanese fonts: GDI takes it from a linked font, in every
// face the dialogs name and in the list view's own drawing.
TEST(FontLinkTest, HangulIsDrawnInTheDialogFontsAndTheirLists) {
    for (const wchar_t* face : kDialogFaces) {
        SCOPED_TRACE(face_name(face));
        const FontHandle font = dialog_font(face);
        const Picture box = missing_glyphs(font.get(), 1);
        const Picture by_text_out = picture_of(font.get(), [&](HDC dc) {
            ExtTextOutW(dc, kCell.left, text_top(dc, kCell), ETO_CLIPPED, &kCell, kHangul.c_str(),
                        static_cast<UINT>(kHangul.size()), nullptr);
        });
        EXPECT_GT(by_text_out.ink(), 0);
        EXPECT_TRUE(by_text_out != box) << "ExtTextOutW drew the missing-glyph box";
        EXPECT_TRUE(drawn_by_gdi(font.get(), kHangul) != box) << "DrawTextW drew the box";

        // The same through a list view: the missing glyph and 「?」 stand beside it.
        WideList list(font.get(), {kHangul, L"\uFFFF", L"?"});
        const Picture hangul = list.row_picture(0);
        EXPECT_GT(hangul.ink(), 0);
        EXPECT_TRUE(hangul != list.row_picture(1)) << "the list drew the missing-glyph box";
        EXPECT_TRUE(hangul != list.row_picture(2)) << "the list drew 「?」";
    }
}

// Edit controls shape their text with Uniscribe: a character beyond the basic plane
// that the field's font lacks comes from the fallback face the prefix names.
TEST(FontLinkTest, EditFieldsDrawCharactersBeyondTheBasicPlane) {
    // IPA Gothic has neither 𠮷 nor the emoji.
    const FontHandle font = dialog_font(L"IPAGothic");
    auto field_picture = [&](const std::wstring& text) {
        HWND field = CreateWindowExW(0, L"EDIT", text.c_str(), WS_POPUP | ES_LEFT, 0, 0, kWidth,
                                     kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        const Picture picture = picture_of(font.get(), [&](HDC dc) {
            SendMessageW(field, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                         PRF_CLIENT | PRF_ERASEBKGND);
        });
        DestroyWindow(field);
        return picture;
    };
    const Picture kanji = field_picture(kBeyondPlaneKanji);
    const Picture emoji = field_picture(kEmoji);
    const Picture missing = field_picture(L"\uFFFF");
    EXPECT_GT(kanji.ink(), 0);
    EXPECT_TRUE(kanji != missing) << "drawn as the missing-glyph box";
    EXPECT_TRUE(emoji != missing) << "drawn as the missing-glyph box";
    EXPECT_TRUE(kanji != emoji);
}
