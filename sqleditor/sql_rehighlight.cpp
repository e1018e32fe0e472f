#include "sqleditor/sql_rehighlight.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "sqleditor/editor_text.h"
#include "sqleditor/sql_colour_runs.h"
#include "sqleditor/sql_highlighter.h"
#include "win/gdi_handles.h"

namespace {

constexpr int kOutOfView = -1200;

// Colouring run by run costs about five times what the whole pass costs per byte
// of text: it pays for a few lines, or for a part of the text up to a quarter.
constexpr std::size_t kBytesAlwaysRecolouredInPlace = 512;
constexpr std::size_t kTextPerByteRecolouredInPlace = 4;

// The format the document gives every character (the font of the header, 10
// points, colour 0), so that lines recoloured in place, pasted text included, look
// as they would after a whole pass.
CHARFORMAT2W document_format() {
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED |
                    CFM_OFFSET | CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET;
    format.dwEffects = CFE_AUTOCOLOR;
    format.yHeight = 200;  // twips
    format.bCharSet = kSqlEditorCharset;
    format.bPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::wmemcpy(format.szFaceName, kSqlEditorFace, std::size(kSqlEditorFace));
    return format;
}

// The control's positions of byte offsets of the editor's text, met in increasing
// order (editor_position, without starting over for each).
class CharacterPositions {
public:
    explicit CharacterPositions(const std::string& text) : text_(text) {}

    LONG at(std::size_t offset) {
        while (byte_ < offset && byte_ < text_.size()) {
            const unsigned char c = static_cast<unsigned char>(text_[byte_]);
            if (c < 0x80) {
                // The LF of a CR LF is one paragraph mark with its CR.
                if (!(c == '\n' && byte_ > 0 && text_[byte_ - 1] == '\r')) {
                    ++position_;
                }
                ++byte_;
                continue;
            }
            char32_t code = 0;
            byte_ += editor_character(text_, byte_, code);
            position_ += code > 0xFFFF ? 2 : 1;
        }
        return position_;
    }

private:
    const std::string& text_;
    std::size_t byte_ = 0;
    LONG position_ = 0;
};

// The bytes of a selection in the editor's text.
SqlByteRange selected_bytes(const std::string& text, CHARRANGE selection) {
    const LONG first = std::max<LONG>(std::min(selection.cpMin, selection.cpMax), 0);
    const LONG last = std::max(selection.cpMin, selection.cpMax);
    if (last < 0) {
        return {text.size(), text.size()};
    }
    return {editor_byte_offset(text, static_cast<std::size_t>(first)),
            editor_byte_offset(text, static_cast<std::size_t>(last))};
}

void set_format(HWND editor, LONG first, LONG last, CHARFORMAT2W format) {
    if (first == last) {
        // The LF of a CR LF alone: nothing the control holds.
        return;
    }
    CHARRANGE range{first, last};
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// Gives the characters of text[range] that the editor's font lacks a face that has
// them, run by run. The range starts at a line's start.
void set_glyph_faces(HWND editor, const std::string& text, SqlByteRange range, GlyphFaces& faces) {
    CharacterPositions positions(text);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_FACE | CFM_CHARSET;
    format.bCharSet = DEFAULT_CHARSET;
    const wchar_t* run_face = nullptr;
    std::size_t run_begin = 0;
    const auto end_run = [&](std::size_t at) {
        if (run_face) {
            const LONG first = positions.at(run_begin);
            wcsncpy(format.szFaceName, run_face, LF_FACESIZE - 1);
            format.szFaceName[LF_FACESIZE - 1] = L'\0';
            set_format(editor, first, positions.at(at), format);
        }
    };
    const std::size_t end = std::min(range.end, text.size());
    for (std::size_t at = range.begin; at < end;) {
        const wchar_t* face = nullptr;
        std::size_t length = 1;
        if (static_cast<unsigned char>(text[at]) >= 0x80) {
            char32_t code = 0;
            length = editor_character(text, at, code);
            face = faces.face_for(code);
        }
        if (face != run_face) {
            end_run(at);
            run_face = face;
            run_begin = at;
        }
        at += length;
    }
    end_run(end);
}

COLORREF colour_value(SqlColour colour) {
    return colour == SqlColour::keyword ? RGB(0, 0, 255) : RGB(0, 128, 0);
}

// Hands the buffer out from the front until it is empty; a count of 0 ends the
// stream.
DWORD CALLBACK stream_from_buffer(DWORD_PTR cookie, LPBYTE destination, LONG wanted, LONG* copied) {
    auto* buffer = reinterpret_cast<std::string*>(cookie);
    const std::size_t n =
        wanted > 0 ? std::min(buffer->size(), static_cast<std::size_t>(wanted)) : 0;
    std::memcpy(destination, buffer->data(), n);
    buffer->erase(0, n);
    *copied = static_cast<LONG>(n);
    return 0;
}

// Recolours `lines` of the editor's text in place: the document's format over
// all of them, then the colour of each keyword and comment run. The text, the
// view and the selection stay as they are.
void recolour_in_place(HWND editor,
                       const std::string& text,
                       SqlByteRange lines,
                       GlyphFaces& faces) {
    const LRESULT first_line = SendMessageW(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    CHARRANGE selection{};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // The selections made here are no changes of the user's to report.
    const LRESULT events = SendMessageW(editor, EM_SETEVENTMASK, 0, 0);
    SendMessageW(editor, WM_SETREDRAW, FALSE, 0);

    CharacterPositions positions(text);
    const LONG first = positions.at(lines.begin);
    CharacterPositions run_positions = positions;
    set_format(editor, first, positions.at(lines.end), document_format());
    CHARFORMAT2W colour{};
    colour.cbSize = sizeof(colour);
    colour.dwMask = CFM_COLOR;
    for (const SqlColourRun& run : sql_colour_runs(text, lines)) {
        if (run.colour == SqlColour::plain) {
            continue;
        }
        colour.crTextColor = colour_value(run.colour);
        const LONG run_first = run_positions.at(run.begin);
        set_format(editor, run_first, run_positions.at(run.end), colour);
    }
    set_glyph_faces(editor, text, lines, faces);

    // Selecting a run can scroll it into view.
    const LRESULT now_first = SendMessageW(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(editor, EM_LINESCROLL, 0, first_line - now_first);
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // The colours must not come back with an undo, which knows nothing of the
    // text's lines; the whole pass leaves nothing to undo either.
    SendMessageW(editor, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(editor, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(editor, nullptr, FALSE);
    SendMessageW(editor, EM_SETEVENTMASK, 0, events);
}

// The whole pass: the document of the whole text replaces the content while the
// editor is out of view.
void stream_in_coloured(HWND editor,
                        HWND dialog,
                        const std::string& text,
                        std::string& rtf_buffer,
                        GlyphFaces& faces) {
    const LRESULT first_line = SendMessageW(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    CHARRANGE selection{};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));

    rtf_buffer = sql_utf8_to_rtf(text);

    WindowDc dialog_dc(dialog);
    WindowDc editor_dc(editor);
    RECT place{};
    GetWindowRect(editor, &place);
    if (ScreenToClient(dialog, reinterpret_cast<POINT*>(&place.left))) {
        ScreenToClient(dialog, reinterpret_cast<POINT*>(&place.right));
    }
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;

    // Nothing is drawn until the view and the selection are back: scrolling and
    // selecting would otherwise each paint the whole control once more.
    SendMessageW(editor, WM_SETREDRAW, FALSE, 0);
    // Out of view at its own size: shrunk, the control would wrap the whole text
    // into a narrow column and back again, which costs far more than the update.
    MoveWindow(editor, kOutOfView, kOutOfView, width, height, FALSE);
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf_buffer);
    stream.pfnCallback = stream_from_buffer;
    SendMessageW(editor, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    rtf_buffer.clear();
    const LRESULT events = SendMessageW(editor, EM_SETEVENTMASK, 0, 0);
    set_glyph_faces(editor, text, {0, text.size()}, faces);
    SendMessageW(editor, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(editor, EM_SETEVENTMASK, 0, events);

    // The editor's place keeps a picture while the control is away.
    BitBlt(dialog_dc.get(), place.left, place.top, width, height, editor_dc.get(), 0, 0, SRCCOPY);
    MoveWindow(editor, place.left, place.top, width, height, FALSE);

    // The stream leaves the view at the top.
    SendMessageW(editor, EM_LINESCROLL, 0, first_line);
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageW(editor, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(editor, nullptr, FALSE);
    SetFocus(editor);
}

// The control's text as UTF-16, line ends single CRs.
std::u16string read_editor_units(HWND editor) {
    GETTEXTLENGTHEX length{GTL_PRECISE | GTL_NUMCHARS, 1200};
    const LRESULT units =
        SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (units <= 0) {
        return std::u16string();
    }
    // The length counts a line end as CR LF: room enough for single CRs.
    std::u16string text(static_cast<std::size_t>(units) + 1, u'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(char16_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT copied = SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? std::min(static_cast<std::size_t>(copied), text.size() - 1) : 0);
    return text;
}

}  // namespace

std::string read_editor_text(HWND editor) {
    return editor_text_of_utf16(read_editor_units(editor));
}

std::string editor_selected_text(HWND editor) {
    CHARRANGE selection{};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const std::u16string text = read_editor_units(editor);
    if (selection.cpMin == selection.cpMax) {
        return editor_text_of_utf16(text);
    }
    // The selection is cut out of the whole text, where positions are units: a
    // selection's edge inside a pair leaves its half alone, for the run to refuse.
    const std::size_t first =
        static_cast<std::size_t>(std::max<LONG>(std::min(selection.cpMin, selection.cpMax), 0));
    const std::size_t last =
        selection.cpMin < 0 || selection.cpMax < 0
            ? text.size()
            : static_cast<std::size_t>(std::max(selection.cpMin, selection.cpMax));
    if (first >= text.size() || first >= last) {
        return std::string();
    }
    return editor_text_of_utf16(std::u16string_view(text).substr(first, last - first));
}

void rehighlight(HWND editor, HWND dialog, std::string& rtf_buffer, GlyphFaces& faces) {
    // Read whole: a text cut here would be streamed back cut.
    stream_in_coloured(editor, dialog, read_editor_text(editor), rtf_buffer, faces);
}

void recolour_changed_lines(HWND editor,
                            HWND dialog,
                            std::string& coloured,
                            std::string& rtf_buffer,
                            GlyphFaces& faces) {
    std::string text = read_editor_text(editor);
    CHARRANGE selection{};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const SqlByteRange lines = sql_changed_lines(coloured, text, selected_bytes(text, selection));
    const std::size_t changed = lines.end - lines.begin;
    if (changed > kBytesAlwaysRecolouredInPlace &&
        changed * kTextPerByteRecolouredInPlace > text.size()) {
        stream_in_coloured(editor, dialog, text, rtf_buffer, faces);
    } else if (!lines.empty()) {
        recolour_in_place(editor, text, lines, faces);
    }
    coloured = std::move(text);
}
