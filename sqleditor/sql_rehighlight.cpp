#include "sqleditor/sql_rehighlight.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "sqleditor/sql_colour_runs.h"
#include "sqleditor/sql_highlighter.h"
#include "win/gdi_handles.h"
#include "win/window_text.h"

namespace {

constexpr int kOutOfView = -1200;

// Colouring run by run costs about five times what the whole pass costs per byte
// of text: it pays for a few lines, or for a part of the text up to a quarter.
constexpr std::size_t kBytesAlwaysRecolouredInPlace = 512;
constexpr std::size_t kTextPerByteRecolouredInPlace = 4;

// The format the document gives every character (the font of the header, 10
// points, colour 0), so that lines recoloured in place, pasted text included, look
// as they would after a whole pass.
CHARFORMATA document_format() {
    static const char kFace[] = "ＭＳ ゴシック";
    static_assert(sizeof(kFace) <= LF_FACESIZE, "the face name fits CHARFORMAT");
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED |
                    CFM_OFFSET | CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET;
    format.dwEffects = CFE_AUTOCOLOR;
    format.yHeight = 200;  // twips
    format.bCharSet = SHIFTJIS_CHARSET;
    format.bPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::memcpy(format.szFaceName, kFace, sizeof(kFace));
    return format;
}

// Character positions of byte offsets, met in increasing order: a double-byte
// character counts as one, as the control counts it.
class CharacterPositions {
public:
    explicit CharacterPositions(const std::string& text) : text_(text) {}

    LONG at(std::size_t offset) {
        while (byte_ < offset && byte_ < text_.size()) {
            const bool pair =
                IsDBCSLeadByte(static_cast<BYTE>(text_[byte_])) && byte_ + 1 < text_.size();
            byte_ += pair ? 2 : 1;
            ++position_;
        }
        return position_;
    }

private:
    const std::string& text_;
    std::size_t byte_ = 0;
    LONG position_ = 0;
};

// The bytes of a selection in the editor's text. Positions count characters, a
// double-byte character as one.
SqlByteRange selected_bytes(const std::string& text, CHARRANGE selection) {
    const LONG first = std::min(selection.cpMin, selection.cpMax);
    const LONG last = std::max(selection.cpMin, selection.cpMax);
    SqlByteRange bytes{text.size(), text.size()};
    LONG position = 0;
    for (std::size_t i = 0; i < text.size(); ++position) {
        if (position == first) {
            bytes.begin = i;
        }
        if (position == last) {
            bytes.end = i;
            break;
        }
        const bool pair = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
        i += pair ? 2 : 1;
    }
    return bytes;
}

void set_format(HWND editor, LONG first, LONG last, CHARFORMATA format) {
    CHARRANGE range{first, last};
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageA(editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
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
void recolour_in_place(HWND editor, const std::string& text, SqlByteRange lines) {
    const LRESULT first_line = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // The selections made here are no changes of the user's to report.
    const LRESULT events = SendMessageA(editor, EM_SETEVENTMASK, 0, 0);
    SendMessageA(editor, WM_SETREDRAW, FALSE, 0);

    CharacterPositions positions(text);
    const LONG first = positions.at(lines.begin);
    CharacterPositions run_positions = positions;
    set_format(editor, first, positions.at(lines.end), document_format());
    CHARFORMATA colour{};
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

    // Selecting a run can scroll it into view.
    const LRESULT now_first = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(editor, EM_LINESCROLL, 0, first_line - now_first);
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // The colours must not come back with an undo, which knows nothing of the
    // text's lines; the whole pass leaves nothing to undo either.
    SendMessageA(editor, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(editor, nullptr, FALSE);
    SendMessageA(editor, EM_SETEVENTMASK, 0, events);
}

// The whole pass: the document of the whole text replaces the content while the
// editor is out of view.
void stream_in_coloured(HWND editor,
                        HWND dialog,
                        const std::string& text,
                        std::string& rtf_buffer) {
    const LRESULT first_line = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));

    rtf_buffer = sql_to_rtf(text);

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
    SendMessageA(editor, WM_SETREDRAW, FALSE, 0);
    // Out of view at its own size: shrunk, the control would wrap the whole text
    // into a narrow column and back again, which costs far more than the update.
    MoveWindow(editor, kOutOfView, kOutOfView, width, height, FALSE);
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf_buffer);
    stream.pfnCallback = stream_from_buffer;
    SendMessageA(editor, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    rtf_buffer.clear();

    // The editor's place keeps a picture while the control is away.
    BitBlt(dialog_dc.get(), place.left, place.top, width, height, editor_dc.get(), 0, 0, SRCCOPY);
    MoveWindow(editor, place.left, place.top, width, height, FALSE);

    // The stream leaves the view at the top.
    SendMessageA(editor, EM_LINESCROLL, 0, first_line);
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(editor, nullptr, FALSE);
    SetFocus(editor);
}

}  // namespace

std::size_t editor_byte_offset(const std::string& text, LONG position) {
    std::size_t offset = 0;
    for (LONG p = 0; p < position && offset < text.size(); ++p) {
        offset +=
            IsDBCSLeadByte(static_cast<BYTE>(text[offset])) && offset + 1 < text.size() ? 2 : 1;
    }
    return offset;
}

LONG editor_position(const std::string& text, std::size_t offset) {
    return CharacterPositions(text).at(offset);
}

std::string editor_selected_text(HWND editor) {
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    std::string text = read_window_text(editor);
    if (selection.cpMin == selection.cpMax) {
        return text;
    }
    // The selection is cut out of the whole text: EM_GETSELTEXT is told no room,
    // and some versions of the control lose the end of a selection with
    // double-byte characters.
    const SqlByteRange bytes = selected_bytes(text, selection);
    return bytes.begin < bytes.end ? text.substr(bytes.begin, bytes.end - bytes.begin)
                                   : std::string();
}

void rehighlight(HWND editor, HWND dialog, std::string& rtf_buffer) {
    // Read whole: a text cut here would be streamed back cut.
    stream_in_coloured(editor, dialog, read_window_text(editor), rtf_buffer);
}

void recolour_changed_lines(HWND editor,
                            HWND dialog,
                            std::string& coloured,
                            std::string& rtf_buffer) {
    std::string text = read_window_text(editor);
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const SqlByteRange lines = sql_changed_lines(coloured, text, selected_bytes(text, selection));
    const std::size_t changed = lines.end - lines.begin;
    if (changed > kBytesAlwaysRecolouredInPlace &&
        changed * kTextPerByteRecolouredInPlace > text.size()) {
        stream_in_coloured(editor, dialog, text, rtf_buffer);
    } else if (!lines.empty()) {
        recolour_in_place(editor, text, lines);
    }
    coloured = std::move(text);
}
