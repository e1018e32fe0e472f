#include "sqleditor/sql_rehighlight.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "sqleditor/sql_highlighter.h"
#include "win/window_text.h"

namespace {

constexpr int kOutOfView = -1200;

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

}  // namespace

std::string editor_selected_text(HWND editor) {
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    std::string text = read_window_text(editor);
    if (selection.cpMin == selection.cpMax) {
        return text;
    }
    // Positions count characters, a double-byte character as one. The selection is
    // cut out of the whole text: EM_GETSELTEXT is told no room, and some versions of
    // the control lose the end of a selection with double-byte characters.
    const LONG first = std::min(selection.cpMin, selection.cpMax);
    const LONG last = std::max(selection.cpMin, selection.cpMax);
    std::size_t begin = text.size();
    std::size_t end = text.size();
    LONG position = 0;
    for (std::size_t i = 0; i < text.size(); ++position) {
        if (position == first) {
            begin = i;
        }
        if (position == last) {
            end = i;
            break;
        }
        const bool pair = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
        i += pair ? 2 : 1;
    }
    return begin < end ? text.substr(begin, end - begin) : std::string();
}

void rehighlight(HWND editor, HWND dialog, std::string& rtf_buffer) {
    const LRESULT first_line = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));

    // Read whole: a text cut here would be streamed back cut.
    rtf_buffer = sql_to_rtf(read_window_text(editor));

    HDC dialog_dc = GetDC(dialog);
    HDC editor_dc = GetDC(editor);
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
    BitBlt(dialog_dc, place.left, place.top, width, height, editor_dc, 0, 0, SRCCOPY);
    MoveWindow(editor, place.left, place.top, width, height, FALSE);

    // The stream leaves the view at the top.
    SendMessageA(editor, EM_LINESCROLL, 0, first_line);
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(editor, nullptr, FALSE);
    SetFocus(editor);
    ReleaseDC(editor, editor_dc);
    ReleaseDC(dialog, dialog_dc);
}
