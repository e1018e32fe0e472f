#include "win/text_drawing.h"

#include <usp10.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

bool is_high_surrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool pair_at(std::wstring_view text, std::size_t i) {
    return i + 1 < text.size() && is_high_surrogate(text[i]) && is_low_surrogate(text[i + 1]);
}

// Units that belong to the character before them in an emoji sequence: the zero-width
// joiner, the variation selectors and the keycap mark.
bool joins_previous(wchar_t unit) {
    return unit == 0x200D || (unit >= 0xFE00 && unit <= 0xFE0F) || unit == 0x20E3;
}

// Units that only steer how the characters around them are drawn: a variation
// selector (emoji or text style) and the zero-width joiner. A font that lacks them
// shows nothing for them, as Windows does, not a box.
bool is_invisible(wchar_t unit) {
    return unit == 0x200D || (unit >= 0xFE00 && unit <= 0xFE0F);
}

// The list view's flags for a cell's text.
constexpr UINT kListTextFlags =
    DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_SINGLELINE | DT_WORD_ELLIPSIS | DT_END_ELLIPSIS;

constexpr wchar_t kEllipsis[] = L"...";

// Faces tried, in turn, for a character beyond the basic plane that the DC's font
// lacks: first the one Wine's Uniscribe falls back to (the prefix names it), then
// those Windows has for emoji and for the rarer kanji.
std::vector<std::wstring> fallback_faces() {
    std::vector<std::wstring> faces;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Uniscribe\\Fallback", 0, KEY_READ,
                      &key) == ERROR_SUCCESS) {
        wchar_t face[LF_FACESIZE] = {};
        DWORD type = 0;
        DWORD size = sizeof(face) - sizeof(wchar_t);
        if (RegQueryValueExW(key, L"0", nullptr, &type, reinterpret_cast<BYTE*>(face), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ && face[0]) {
            faces.emplace_back(face);
        }
        RegCloseKey(key);
    }
    for (const wchar_t* face : {L"Segoe UI Emoji", L"Segoe UI Symbol", L"Yu Gothic UI",
                                L"SimSun-ExtB", L"MingLiU-ExtB"}) {
        faces.emplace_back(face);
    }
    return faces;
}

// A font that shapes text, with the shaping cache Uniscribe keeps for it. Making a
// cache loads the font's tables (about half a millisecond under Wine), so caches live
// as long as the thread, one for each font in use and each fallback face tried.
struct ShapingFont {
    LOGFONTW base{};  // the DC's font this serves
    int face = -1;    // -1: the DC's font itself; else an index of fallback_faces()
    HFONT font = nullptr;
    SCRIPT_CACHE cache = nullptr;
    WORD missing_glyph = 0;
};

class ShapingFonts {
public:
    ~ShapingFonts() { clear(); }

    ShapingFont& get(const LOGFONTW& base, int face) {
        for (const std::unique_ptr<ShapingFont>& font : fonts_) {
            if (font->face == face && std::memcmp(&font->base, &base, sizeof(base)) == 0) {
                return *font;
            }
        }
        auto font = std::make_unique<ShapingFont>();
        font->base = base;
        font->face = face;
        if (face >= 0) {
            LOGFONTW fallback = base;
            fallback.lfCharSet = DEFAULT_CHARSET;
            lstrcpynW(fallback.lfFaceName, faces_[static_cast<std::size_t>(face)].c_str(),
                      LF_FACESIZE);
            font->font = CreateFontIndirectW(&fallback);
        }
        fonts_.push_back(std::move(font));
        return *fonts_.back();
    }

    int face_count() const { return static_cast<int>(faces_.size()); }

    // Called between drawings, while no shaped text points at a font: after many
    // sizes and faces in turn (zooming through them) the caches start afresh.
    void trim() {
        if (fonts_.size() >= 32) {
            clear();
        }
    }

private:
    void clear() {
        for (const std::unique_ptr<ShapingFont>& font : fonts_) {
            ScriptFreeCache(&font->cache);
            if (font->font) {
                DeleteObject(font->font);
            }
        }
        fonts_.clear();
    }

    std::vector<std::wstring> faces_ = fallback_faces();
    std::vector<std::unique_ptr<ShapingFont>> fonts_;
};

ShapingFonts& shaping_fonts() {
    thread_local ShapingFonts fonts;
    return fonts;
}

// The DC with another font selected for as long as this lives (none: unchanged).
class FontSelection {
public:
    FontSelection(HDC dc, HFONT font) : dc_(dc) {
        if (font) {
            old_ = SelectObject(dc, font);
        }
    }
    ~FontSelection() {
        if (old_) {
            SelectObject(dc_, old_);
        }
    }
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// One item of shaped text (one script), in the font that has its characters.
struct ShapedItem {
    ShapingFont* font = nullptr;
    SCRIPT_ANALYSIS analysis{};
    std::size_t begin = 0;  // units in the run
    std::size_t end = 0;
    std::vector<WORD> glyphs;
    std::vector<WORD> clusters;  // for each unit, its first glyph
    std::vector<SCRIPT_VISATTR> attributes;
    std::vector<int> advances;
    std::vector<GOFFSET> offsets;
    int width = 0;
};

// Shapes `chars` in `font`. False when the font has no glyph for one of them.
bool shape_in(HDC dc,
              ShapingFont& font,
              std::wstring_view chars,
              bool accept_missing,
              ShapedItem& item) {
    const FontSelection selection(dc, font.font);
    if (font.cache == nullptr) {
        SCRIPT_FONTPROPERTIES properties{};
        properties.cBytes = sizeof(properties);
        if (SUCCEEDED(ScriptGetFontProperties(dc, &font.cache, &properties))) {
            font.missing_glyph = properties.wgDefault;
        }
    }
    const int length = static_cast<int>(chars.size());
    int room = length * 3 / 2 + 16;
    int count = 0;
    HRESULT result = E_OUTOFMEMORY;
    SCRIPT_ANALYSIS analysis = item.analysis;
    item.clusters.assign(chars.size(), 0);
    for (int attempt = 0; attempt < 3 && result == E_OUTOFMEMORY; ++attempt, room *= 2) {
        analysis = item.analysis;
        item.glyphs.assign(static_cast<std::size_t>(room), 0);
        item.attributes.assign(static_cast<std::size_t>(room), SCRIPT_VISATTR{});
        result =
            ScriptShape(dc, &font.cache, chars.data(), length, room, &analysis, item.glyphs.data(),
                        item.clusters.data(), item.attributes.data(), &count);
    }
    if (FAILED(result)) {
        return false;
    }
    item.glyphs.resize(static_cast<std::size_t>(count));
    item.attributes.resize(static_cast<std::size_t>(count));
    // The missing glyphs of invisible units become blanks of no width.
    std::vector<bool> unseen(static_cast<std::size_t>(count), false);
    for (std::size_t unit = 0; unit < chars.size(); ++unit) {
        const WORD glyph = item.clusters[unit];
        if (is_invisible(chars[unit]) && glyph < count &&
            item.glyphs[glyph] == font.missing_glyph) {
            unseen[glyph] = true;
        }
    }
    if (!accept_missing) {
        for (int glyph = 0; glyph < count; ++glyph) {
            if (item.glyphs[glyph] == font.missing_glyph && !unseen[glyph]) {
                return false;
            }
        }
    }
    WORD blank = font.missing_glyph;
    ScriptGetCMap(dc, &font.cache, L" ", 1, 0, &blank);
    for (int glyph = 0; glyph < count; ++glyph) {
        if (unseen[glyph]) {
            item.glyphs[glyph] = blank;
        }
    }
    item.advances.assign(static_cast<std::size_t>(count), 0);
    item.offsets.assign(static_cast<std::size_t>(count), GOFFSET{});
    ABC abc{};
    if (FAILED(ScriptPlace(dc, &font.cache, item.glyphs.data(), count, item.attributes.data(),
                           &analysis, item.advances.data(), item.offsets.data(), &abc))) {
        return false;
    }
    item.width = 0;
    for (int glyph = 0; glyph < count; ++glyph) {
        if (unseen[glyph]) {
            item.advances[glyph] = 0;
        }
        item.width += item.advances[glyph];
    }
    item.analysis = analysis;
    item.font = &font;
    return true;
}

// Characters beyond the basic plane, shaped whole by Uniscribe, each item in the
// DC's font or the first fallback face that has its characters (the DC's font with
// its missing-glyph boxes where none has). Under Wine, Uniscribe's own fallback
// (ScriptStringAnalyse) would make the font's tables anew at every call, and it
// takes a basic-plane character from no linked font, so only these go through it.
class ShapedRun {
public:
    ShapedRun(HDC dc, std::wstring_view text) : text_(text) {
        if (text.empty()) {
            return;
        }
        LOGFONTW base{};
        if (!GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(base), &base)) {
            return;
        }
        std::vector<SCRIPT_ITEM> script_items(text.size() + 1);
        int count = 0;
        if (FAILED(ScriptItemize(text.data(), static_cast<int>(text.size()),
                                 static_cast<int>(script_items.size()), nullptr, nullptr,
                                 script_items.data(), &count))) {
            return;
        }
        ShapingFonts& fonts = shaping_fonts();
        for (int i = 0; i < count; ++i) {
            ShapedItem item;
            item.analysis = script_items[static_cast<std::size_t>(i)].a;
            item.begin =
                static_cast<std::size_t>(script_items[static_cast<std::size_t>(i)].iCharPos);
            item.end =
                static_cast<std::size_t>(script_items[static_cast<std::size_t>(i) + 1].iCharPos);
            const std::wstring_view chars = text.substr(item.begin, item.end - item.begin);
            bool shaped = false;
            for (int face = -1; face < fonts.face_count() && !shaped; ++face) {
                ShapingFont& font = fonts.get(base, face);
                shaped = (face < 0 || font.font) && shape_in(dc, font, chars, false, item);
            }
            if (!shaped && !shape_in(dc, fonts.get(base, -1), chars, true, item)) {
                items_.clear();
                return;
            }
            width_ += item.width;
            items_.push_back(std::move(item));
        }
        ok_ = true;
    }

    bool ok() const { return ok_; }
    int width() const { return width_; }

    void draw(HDC dc, int x, int y, const RECT& clip) const {
        for (const ShapedItem& item : items_) {
            const FontSelection selection(dc, item.font->font);
            ScriptTextOut(dc, &item.font->cache, x, y, ETO_CLIPPED, &clip, &item.analysis, nullptr,
                          0, item.glyphs.data(), static_cast<int>(item.glyphs.size()),
                          item.advances.data(), nullptr, item.offsets.data());
            x += item.width;
        }
    }

    // How many units of the run fit in `room` pixels, cut where a character starts.
    std::size_t units_that_fit(int room) const {
        std::size_t fitting = 0;
        for (const ShapedItem& item : items_) {
            if (item.width <= room) {
                room -= item.width;
                fitting = item.end;
                continue;
            }
            if (!item.analysis.fRTL) {
                for (std::size_t unit = item.begin + 1; unit < item.end; ++unit) {
                    const std::size_t at = unit - item.begin;
                    if (item.clusters[at] == item.clusters[at - 1] ||
                        is_low_surrogate(text_[unit]) || joins_previous(text_[unit])) {
                        continue;
                    }
                    int before = 0;
                    for (std::size_t glyph = 0; glyph < item.clusters[at]; ++glyph) {
                        before += item.advances[glyph];
                    }
                    if (before > room) {
                        break;
                    }
                    fitting = unit;
                }
            }
            break;
        }
        return fitting;
    }

private:
    std::wstring_view text_;
    std::vector<ShapedItem> items_;
    int width_ = 0;
    bool ok_ = false;
};

// A stretch of a line: basic-plane text that GDI draws as the list does, with its
// font links, or characters beyond the basic plane that Uniscribe shapes.
struct Piece {
    std::wstring_view text;
    std::unique_ptr<ShapedRun> shaped;
    int width = 0;
};

std::vector<Piece> pieces_of(HDC dc, std::wstring_view text) {
    std::vector<Piece> pieces;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        const bool beyond = pair_at(text, i);
        if (beyond) {
            while (i < text.size() && (pair_at(text, i) || joins_previous(text[i]))) {
                i += pair_at(text, i) ? 2 : 1;
            }
        } else {
            while (i < text.size() && !pair_at(text, i)) {
                ++i;
            }
        }
        Piece piece;
        piece.text = text.substr(start, i - start);
        if (beyond) {
            piece.shaped = std::make_unique<ShapedRun>(dc, piece.text);
            if (!piece.shaped->ok()) {
                piece.shaped.reset();
            }
        }
        if (piece.shaped) {
            piece.width = piece.shaped->width();
        } else {
            SIZE size{};
            GetTextExtentPoint32W(dc, piece.text.data(), static_cast<int>(piece.text.size()),
                                  &size);
            piece.width = size.cx;
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

void draw_gdi(HDC dc, int x, int y, const RECT& clip, std::wstring_view text) {
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, text.data(), static_cast<UINT>(text.size()), nullptr);
}

void draw_piece(HDC dc, const Piece& piece, int x, int y, const RECT& clip) {
    if (piece.shaped) {
        piece.shaped->draw(dc, x, y, clip);
    } else {
        draw_gdi(dc, x, y, clip, piece.text);
    }
}

}  // namespace

bool needs_fallback_drawing(std::wstring_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (pair_at(text, i)) {
            return true;
        }
    }
    return false;
}

void draw_cell_text(HDC dc, const RECT& cell, std::wstring_view text) {
    const int room = cell.right - cell.left;
    if (text.empty() || room <= 0 || cell.bottom <= cell.top) {
        return;
    }
    if (!needs_fallback_drawing(text)) {
        RECT r = cell;
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, kListTextFlags);
        return;
    }
    // Only what can show is measured: a character is rarely narrower than a quarter
    // of a pixel, and a text cut here still ends in "...".
    const std::size_t most = static_cast<std::size_t>(room) * 4 + 64;
    bool cut = false;
    if (text.size() > most) {
        std::size_t end = most;
        if (pair_at(text, end - 1)) {
            --end;
        }
        text = text.substr(0, end);
        cut = true;
    }
    shaping_fonts().trim();
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // Where DrawTextW puts a vertically centred line.
    const int y = cell.top + (cell.bottom - cell.top) / 2 - metrics.tmHeight / 2;

    const std::vector<Piece> pieces = pieces_of(dc, text);
    int whole = 0;
    for (const Piece& piece : pieces) {
        whole += piece.width;
    }
    int x = cell.left;
    if (!cut && whole <= room) {
        for (const Piece& piece : pieces) {
            draw_piece(dc, piece, x, y, cell);
            x += piece.width;
        }
        return;
    }
    // As much as fits before "...", as the list cuts a text too long for its cell.
    SIZE ellipsis{};
    GetTextExtentPoint32W(dc, kEllipsis, 3, &ellipsis);
    int left = room - ellipsis.cx;
    for (const Piece& piece : pieces) {
        if (piece.width <= left) {
            draw_piece(dc, piece, x, y, cell);
            x += piece.width;
            left -= piece.width;
            continue;
        }
        if (piece.shaped) {
            const ShapedRun part(dc, piece.text.substr(0, piece.shaped->units_that_fit(left)));
            if (part.ok()) {
                part.draw(dc, x, y, cell);
                x += part.width();
            }
        } else if (left > 0) {
            int fit = 0;
            SIZE size{};
            GetTextExtentExPointW(dc, piece.text.data(), static_cast<int>(piece.text.size()), left,
                                  &fit, nullptr, &size);
            SIZE part{};
            GetTextExtentPoint32W(dc, piece.text.data(), fit, &part);
            draw_gdi(dc, x, y, cell, piece.text.substr(0, static_cast<std::size_t>(fit)));
            x += part.cx;
        }
        break;
    }
    draw_gdi(dc, x, y, cell, kEllipsis);
}
