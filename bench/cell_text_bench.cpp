// What drawing a cell's text costs: through GDI as the list draws it, and through
// the helper for text beyond the basic plane, for one short cell and for a page of
// them (the cells a screen shows: 40 rows of 10 columns).
#include <windows.h>

#include <string>

#include "bench/bench.h"
#include "win/text_drawing.h"

namespace {

constexpr int kRuns = 21;
constexpr int kCellsOnScreen = 400;

const std::wstring kPlain = L"山田 太郎 (yamada)";
const std::wstring kBeyondPlane = L"\U00020BB7田 太郎 \U0001F600";
// An emoji that the Japanese fonts lack: every fallback face is tried for it.
const std::wstring kUnfound = L"\U00020BB7田 太郎 \U0001F9E1";

// The milliseconds that `cells` cells of `text` take, drawn in turn into a bitmap in
// the dialogs' font, by `draw`.
template <typename Draw>
double cells_ms(const std::wstring& text, int cells, Draw draw, int runs = kRuns) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 800, 40);
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    LOGFONTW face{};
    face.lfHeight = -12;
    face.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpyW(face.lfFaceName, L"ＭＳ ゴシック");
    HFONT font = CreateFontIndirectW(&face);
    HGDIOBJ old_font = SelectObject(dc, font);
    const double ms = median_ms(runs, [&] {
        for (int i = 0; i < cells; ++i) {
            const RECT cell{4 + (i % 4) * 100, 2, 100 + (i % 4) * 100, 20};
            draw(dc, cell, text);
        }
        GdiFlush();
    });
    SelectObject(dc, old_font);
    SelectObject(dc, old_bitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return ms;
}

void draw_as_list(HDC dc, const RECT& cell, const std::wstring& text) {
    RECT r = cell;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_SINGLELINE | DT_WORD_ELLIPSIS |
                  DT_END_ELLIPSIS);
}

void draw_with_helper(HDC dc, const RECT& cell, const std::wstring& text) {
    draw_cell_text(dc, cell, text);
}

}  // namespace

BENCH_CASE(cell_text) {
    // The first call loads the fonts and the shaping engine: the first page pays it.
    report("cell_text_first_call_ms", cells_ms(kBeyondPlane, 1, draw_with_helper, 1));
    report("cell_text_gdi_cell_us", cells_ms(kPlain, 100, draw_as_list) * 10);
    report("cell_text_helper_cell_us", cells_ms(kBeyondPlane, 100, draw_with_helper) * 10);
    report("cell_text_helper_unfound_cell_us", cells_ms(kUnfound, 100, draw_with_helper) * 10);
    report("cell_text_gdi_screen_ms", cells_ms(kPlain, kCellsOnScreen, draw_as_list));
    report("cell_text_helper_screen_ms", cells_ms(kBeyondPlane, kCellsOnScreen, draw_with_helper));
}
