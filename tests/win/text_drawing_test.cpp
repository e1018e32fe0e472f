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
#include "win/text_drawing.h"

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

Picture drawn_by_helper(HFONT font, const std::wstring& text, const RECT& cell = kCell) {
    return picture_of(font, [&](HDC dc) { draw_cell_text(dc, cell, text); });
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

// Values that the code page used to turn into one another: each pair draws apart,
// by the cell helper and by GDI, and neither of the first is the missing glyph.
TEST(CellTextTest, LookAlikeValuesDrawDifferently) {
    const std::pair<std::wstring, std::wstring> pairs[] = {
        {L"caf\u00E9", L"cafe"}, {L"\u00DF", L"s"}, {L"\u00F1", L"n"}, {kHangul, L"?"}};
    for (const wchar_t* face : kDialogFaces) {
        const FontHandle font = dialog_font(face);
        for (const auto& [value, look_alike] : pairs) {
            SCOPED_TRACE(face_name(face) + " " + std::to_string(value.back()));
            const Picture helper = drawn_by_helper(font.get(), value);
            EXPECT_TRUE(helper != drawn_by_helper(font.get(), look_alike));
            const Picture gdi = drawn_by_gdi(font.get(), value);
            EXPECT_TRUE(gdi != drawn_by_gdi(font.get(), look_alike));
            const Picture last_box =
                drawn_by_gdi(font.get(), value.substr(0, value.size() - 1) + L"\uFFFF");
            EXPECT_TRUE(helper != last_box) << "the helper drew the missing glyph";
            EXPECT_TRUE(gdi != last_box) << "DrawTextW drew the missing glyph";
        }
    }
}

// 𠮷 and an emoji: GDI draws each as two boxes; the helper draws each as itself,
// from the dialog font's own face or, for a face that lacks it (IPA Gothic), from the
// fallback face.
TEST(CellTextTest, CharactersBeyondTheBasicPlaneAreDrawnAsThemselves) {
    std::vector<const wchar_t*> faces(std::begin(kDialogFaces), std::end(kDialogFaces));
    faces.push_back(L"IPAGothic");
    for (const wchar_t* face : faces) {
        SCOPED_TRACE(face_name(face));
        const FontHandle font = dialog_font(face);
        const Picture one_box = missing_glyphs(font.get(), 1);
        const Picture two_boxes = missing_glyphs(font.get(), 2);
        const Picture kanji = drawn_by_helper(font.get(), kBeyondPlaneKanji);
        const Picture emoji = drawn_by_helper(font.get(), kEmoji);
        for (const Picture* picture : {&kanji, &emoji}) {
            EXPECT_GT(picture->ink(), 0);
            EXPECT_TRUE(*picture != one_box) << "drawn as the missing-glyph box";
            EXPECT_TRUE(*picture != two_boxes) << "drawn as two missing-glyph boxes";
        }
        EXPECT_TRUE(kanji != emoji);
        // The emoji style asked for by a variation selector: no box after it.
        EXPECT_TRUE(drawn_by_helper(font.get(), kEmoji + L"\uFE0F") == emoji);
        // Among other text: the name 𠮷田 is not 田 after two boxes.
        EXPECT_TRUE(drawn_by_helper(font.get(), kBeyondPlaneKanji + L"田") !=
                    drawn_by_gdi(font.get(), kBeyondPlaneKanji + L"田"));
    }
}

// A cell drawn by the helper sits among cells the list draws itself: the text
// around a character beyond the basic plane comes out pixel for pixel as the list's
// DrawTextW draws it.
TEST(CellTextTest, TextAroundTheCharacterIsDrawnAsTheListDrawsIt) {
    // Simplified Chinese 简 is in none of the Japanese fonts either.
    const std::wstring before[] = {L"offspring_id 123 ", L"テーブル名（ｶﾅ）",
                                   L"caf\u00E9 " + kHangul, L"\u4E2D\u6587\u7B80\u4F53"};
    for (const wchar_t* face : kDialogFaces) {
        const FontHandle font = dialog_font(face);
        for (const std::wstring& text : before) {
            SCOPED_TRACE(face_name(face) + " " + std::to_string(text.size()));
            const Picture helper = drawn_by_helper(font.get(), text + kEmoji);
            const Picture gdi = drawn_by_gdi(font.get(), text);
            int plain_width = 0;
            picture_of(font.get(), [&](HDC dc) {
                SIZE size{};
                GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
                plain_width = size.cx;
            });
            int differing = 0;
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kCell.left + plain_width; ++x) {
                    differing += helper.at(x, y) != gdi.at(x, y);
                }
            }
            EXPECT_EQ(differing, 0);
            EXPECT_GT(helper.ink(), gdi.ink()) << "nothing drawn after the text";
        }
    }
}

// A value longer than its cell: cut before a character (never inside a surrogate
// pair), "..." at its end, nothing drawn past the cell's right edge.
TEST(CellTextTest, TextTooLongEndsInAnEllipsisInsideTheCell) {
    const FontHandle font = dialog_font(kDialogFaces[0]);
    // 田 and then twenty of 𠮷: the cut falls among the characters shaped together.
    std::wstring long_text = L"田";
    for (int i = 0; i < 20; ++i) {
        long_text += kBeyondPlaneKanji;
    }
    const RECT narrow{4, 2, 84, 22};
    const Picture cut = drawn_by_helper(font.get(), long_text, narrow);
    const Picture dots = picture_of(font.get(), [&](HDC dc) {
        ExtTextOutW(dc, 0, text_top(dc, narrow), 0, nullptr, L"...", 3, nullptr);
    });
    // The columns the dots cover, alone and at the end of the cut text.
    auto inked_columns = [](const Picture& picture, int& first, int& last) {
        first = kWidth;
        last = -1;
        for (int x = 0; x < kWidth; ++x) {
            for (int y = 0; y < kHeight; ++y) {
                if (picture.at(x, y) != 0xFFFFFF) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        }
    };
    int dots_first = 0;
    int dots_last = 0;
    inked_columns(dots, dots_first, dots_last);
    int cut_first = 0;
    int cut_last = 0;
    inked_columns(cut, cut_first, cut_last);
    ASSERT_GE(dots_last, dots_first);
    ASSERT_GE(cut_last, cut_first);
    EXPECT_LT(cut_last, narrow.right) << "drawn past the cell";
    EXPECT_GE(cut_first, narrow.left);
    const int shift = cut_last - dots_last;
    for (int x = dots_first; x <= dots_last; ++x) {
        for (int y = 0; y < kHeight; ++y) {
            ASSERT_EQ(cut.at(x + shift, y), dots.at(x, y))
                << "no ellipsis at the end, column " << x;
        }
    }
    // What stands before the dots is the text's beginning up to a whole character.
    std::size_t shown = 0;
    for (std::size_t units = 1; units < 16 && shown == 0; ++units) {
        if (drawn_by_helper(font.get(), long_text.substr(0, units) + L"...", narrow) == cut) {
            shown = units;
        }
    }
    ASSERT_GT(shown, 0u) << "not the text's beginning";
    EXPECT_EQ(shown % 2, 1u) << "cut inside a surrogate pair";
}

TEST(CellTextTest, OnlyASurrogatePairNeedsFallbackDrawing) {
    EXPECT_FALSE(needs_fallback_drawing(L""));
    EXPECT_FALSE(needs_fallback_drawing(L"caf\u00E9 \uD55C \u9AD9\u6A4B"));
    EXPECT_TRUE(needs_fallback_drawing(kBeyondPlaneKanji + L"田"));
    EXPECT_TRUE(needs_fallback_drawing(L"ok " + kEmoji));
    // Half a pair is no character: GDI draws its box as the helper would.
    EXPECT_FALSE(needs_fallback_drawing(L"a\xD842"));
    EXPECT_FALSE(
        needs_fallback_drawing(L"\xDFB7"
                               L"a"));
}
