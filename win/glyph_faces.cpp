#include "win/glyph_faces.h"

#include <richedit.h>

#include <cstdint>
#include <cwchar>

namespace {

// Faces that cover what Japanese fonts often lack (Hangul, characters beyond the
// basic plane, symbols), the fixed-pitch ones first; any other installed face
// follows them.
constexpr const wchar_t* kPreferredFaces[] = {
    L"VL Gothic",
    L"Noto Sans Mono CJK JP",
    L"NanumGothicCoding",
    L"WenQuanYi Micro Hei Mono",
    L"Noto Sans CJK JP",
    L"NanumGothic",
    L"WenQuanYi Micro Hei",
    L"Malgun Gothic",
    L"Symbola",
    L"Segoe UI Emoji",
    L"Segoe UI Symbol",
    L"SimSun-ExtB",
    L"DejaVu Sans",
};

constexpr DWORD kCmapTag = 0x70616d63;  // "cmap" as GetFontData takes it
constexpr char32_t kFirstBeyondBasic = 0x10000;

std::uint32_t big_endian(const std::vector<unsigned char>& data, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = (value << 8) | data[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// The characters beyond the basic plane that a font's character map (its "cmap"
// table) maps, from its subtable of format 12. GDI looks glyphs up a UTF-16 unit at
// a time, so only the table itself tells. Every offset is checked: a font's bytes
// are not trusted.
std::vector<std::pair<char32_t, char32_t>> beyond_basic_ranges(
    const std::vector<unsigned char>& cmap) {
    std::vector<std::pair<char32_t, char32_t>> ranges;
    if (cmap.size() < 4) {
        return ranges;
    }
    const std::size_t tables = big_endian(cmap, 2, 2);
    for (std::size_t t = 0; t < tables && 4 + 8 * t + 8 <= cmap.size(); ++t) {
        const std::size_t record = 4 + 8 * t;
        const std::uint32_t platform = big_endian(cmap, record, 2);
        const std::uint32_t encoding = big_endian(cmap, record + 2, 2);
        const std::size_t offset = big_endian(cmap, record + 4, 4);
        const bool full_unicode = (platform == 3 && encoding == 10) ||
                                  (platform == 0 && (encoding == 4 || encoding == 6));
        if (!full_unicode || offset > cmap.size() || cmap.size() - offset < 16 ||
            big_endian(cmap, offset, 2) != 12) {
            continue;
        }
        const std::size_t groups = big_endian(cmap, offset + 12, 4);
        if (groups > (cmap.size() - offset - 16) / 12) {
            continue;
        }
        for (std::size_t g = 0; g < groups; ++g) {
            const std::size_t at = offset + 16 + 12 * g;
            const char32_t first = big_endian(cmap, at, 4);
            const char32_t last = big_endian(cmap, at + 4, 4);
            if (last >= kFirstBeyondBasic && first <= last) {
                ranges.emplace_back(first < kFirstBeyondBasic ? kFirstBeyondBasic : first, last);
            }
        }
        return ranges;
    }
    return ranges;
}

int CALLBACK collect_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM names) {
    auto* list = reinterpret_cast<std::vector<std::wstring>*>(names);
    // "@" names are the same faces set vertically.
    if (font->lfFaceName[0] != L'@') {
        bool known = false;
        for (const std::wstring& name : *list) {
            known = known || lstrcmpiW(name.c_str(), font->lfFaceName) == 0;
        }
        if (!known) {
            list->emplace_back(font->lfFaceName);
        }
    }
    return 1;
}

}  // namespace

GlyphFaces::GlyphFaces(const wchar_t* face, BYTE charset) : dc_(CreateCompatibleDC(nullptr)) {
    auto own = std::make_unique<Face>();
    own->name = face;
    own->charset = charset;
    faces_.push_back(std::move(own));
}

GlyphFaces::~GlyphFaces() {
    for (const std::unique_ptr<Face>& face : faces_) {
        if (face->font) {
            DeleteObject(face->font);
        }
    }
    if (dc_) {
        DeleteDC(dc_);
    }
}

const wchar_t* GlyphFaces::face_for(char32_t code) {
    // ASCII is the editor font's own; half of a pair is no character any face has.
    if (code < 0x80 || (code >= 0xD800 && code <= 0xDFFF) || !dc_) {
        return nullptr;
    }
    const auto known = chosen_.find(code);
    int index = -1;
    if (known != chosen_.end()) {
        index = known->second;
    } else {
        if (has_glyph(*faces_[0], code)) {
            index = 0;
        } else {
            list_faces();
            for (std::size_t i = 1; i < faces_.size() && index < 0; ++i) {
                if (has_glyph(*faces_[i], code)) {
                    index = static_cast<int>(i);
                }
            }
        }
        chosen_.emplace(code, index);
    }
    return index > 0 ? faces_[static_cast<std::size_t>(index)]->name.c_str() : nullptr;
}

bool GlyphFaces::has_glyph(Face& face, char32_t code) {
    if (!face.font) {
        LOGFONTW format{};
        format.lfHeight = -16;
        format.lfCharSet = face.charset;
        wcsncpy(format.lfFaceName, face.name.c_str(), LF_FACESIZE - 1);
        face.font = CreateFontIndirectW(&format);
        if (!face.font) {
            return false;
        }
    }
    const HGDIOBJ before = SelectObject(dc_, face.font);
    bool has = false;
    if (code < kFirstBeyondBasic) {
        const WCHAR unit = static_cast<WCHAR>(code);
        WORD glyph = 0xFFFF;
        has = GetGlyphIndicesW(dc_, &unit, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
              glyph != 0xFFFF;
    } else {
        if (!face.examined) {
            face.examined = true;
            const DWORD size = GetFontData(dc_, kCmapTag, 0, nullptr, 0);
            if (size != GDI_ERROR && size > 0) {
                std::vector<unsigned char> cmap(size);
                if (GetFontData(dc_, kCmapTag, 0, cmap.data(), size) == size) {
                    face.beyond_basic = beyond_basic_ranges(cmap);
                }
            }
        }
        for (const auto& [first, last] : face.beyond_basic) {
            has = has || (code >= first && code <= last);
        }
    }
    SelectObject(dc_, before);
    return has;
}

void GlyphFaces::list_faces() {
    if (listed_) {
        return;
    }
    listed_ = true;
    std::vector<std::wstring> names;
    // A face that is not installed comes back as another one: it is left out.
    for (const wchar_t* name : kPreferredFaces) {
        LOGFONTW format{};
        format.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(format.lfFaceName, name, LF_FACESIZE - 1);
        HFONT font = CreateFontIndirectW(&format);
        if (!font) {
            continue;
        }
        const HGDIOBJ before = SelectObject(dc_, font);
        WCHAR real[LF_FACESIZE] = L"";
        GetTextFaceW(dc_, LF_FACESIZE, real);
        SelectObject(dc_, before);
        DeleteObject(font);
        if (lstrcmpiW(real, name) == 0) {
            names.emplace_back(name);
        }
    }
    LOGFONTW all{};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc_, &all, collect_family, reinterpret_cast<LPARAM>(&names), 0);
    for (const std::wstring& name : names) {
        if (lstrcmpiW(name.c_str(), faces_[0]->name.c_str()) != 0) {
            auto face = std::make_unique<Face>();
            face->name = name;
            faces_.push_back(std::move(face));
        }
    }
}

void GlyphFaces::give_faces(HWND rich_edit) {
    // The control's own text, where a line break is one position, as is each
    // UTF-16 unit.
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT units =
        SendMessageW(rich_edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (units <= 0) {
        return;
    }
    std::wstring text(static_cast<std::size_t>(units) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT got = SendMessageW(rich_edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);

    CHARRANGE kept{};
    SendMessageW(rich_edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_FACE | CFM_CHARSET;
    format.bCharSet = DEFAULT_CHARSET;
    const wchar_t* run_face = nullptr;
    LONG run_begin = 0;
    bool changed = false;
    const auto end_run = [&](LONG at) {
        if (!run_face || at <= run_begin) {
            return;
        }
        wcsncpy(format.szFaceName, run_face, LF_FACESIZE - 1);
        format.szFaceName[LF_FACESIZE - 1] = L'\0';
        CHARRANGE range{run_begin, at};
        SendMessageW(rich_edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageW(rich_edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        changed = true;
    };
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = text[at];
        std::size_t units_taken = 1;
        if (code >= 0xD800 && code <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
            text[at + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[at + 1] - 0xDC00);
            units_taken = 2;
        }
        const wchar_t* face = code >= 0x80 ? face_for(code) : nullptr;
        if (face != run_face) {
            end_run(static_cast<LONG>(at));
            run_face = face;
            run_begin = static_cast<LONG>(at);
        }
        at += units_taken;
    }
    end_run(static_cast<LONG>(text.size()));
    if (changed) {
        SendMessageW(rich_edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
        // The faces are not the user's to undo.
        SendMessageW(rich_edit, EM_EMPTYUNDOBUFFER, 0, 0);
    }
}
