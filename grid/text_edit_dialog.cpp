#include "grid/text_edit_dialog.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "db/result_table.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "page/record_statements.h"
#include "res/resource.h"
#include "win/dialog_layout.h"
#include "win/glyph_faces.h"
#include "win/message_box.h"
#include "win/wide_text.h"

namespace {

constexpr char kFaceName[] = "ＭＳ ゴシック";
constexpr char kHalfCharacterText[] =
    "入力に不完全な文字（サロゲート ペアの片方）が含まれています。"
    "その文字を入力し直すか削除してから、もう一度 OK を押してください。";
constexpr char kHalfCharacterCaption[] = "入力エラー";
constexpr BYTE kShiftJisCharset = 128;
// Room between the text and the text area's left and top edges.
constexpr int kTextIndentX = 10;
constexpr int kTextIndentY = 5;

// A text handed to or taken from the text area as plain UTF-16: set as window
// text, a value that starts with "{\rtf" would be read as formatting.
struct TextStream {
    std::wstring text;
    std::size_t offset = 0;
};

DWORD CALLBACK stream_in(DWORD_PTR cookie, LPBYTE buffer, LONG room, LONG* given) {
    auto* stream = reinterpret_cast<TextStream*>(cookie);
    // Whole UTF-16 units only.
    const std::size_t left = stream->text.size() - stream->offset;
    const std::size_t n =
        std::min(left, static_cast<std::size_t>(room > 0 ? room : 0) / sizeof(wchar_t));
    std::memcpy(buffer, stream->text.data() + stream->offset, n * sizeof(wchar_t));
    stream->offset += n;
    *given = static_cast<LONG>(n * sizeof(wchar_t));
    return 0;
}

DWORD CALLBACK stream_out(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* taken) {
    auto* stream = reinterpret_cast<TextStream*>(cookie);
    const std::size_t units = static_cast<std::size_t>(size > 0 ? size : 0) / sizeof(wchar_t);
    const std::size_t at = stream->text.size();
    stream->text.resize(at + units);
    std::memcpy(stream->text.data() + at, buffer, units * sizeof(wchar_t));
    *taken = static_cast<LONG>(units * sizeof(wchar_t));
    return 0;
}

void set_plain_text(HWND area, const std::string& utf8) {
    TextStream stream;
    stream.text = wide_of_utf8(utf8);
    EDITSTREAM edit{};
    edit.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
    edit.pfnCallback = stream_in;
    SendMessageW(area, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&edit));
}

// The text area's text in UTF-8; false when it holds half of a surrogate pair.
bool plain_text(HWND area, std::string& utf8) {
    TextStream stream;
    EDITSTREAM edit{};
    edit.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
    edit.pfnCallback = stream_out;
    SendMessageW(area, EM_STREAMOUT, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&edit));
    return utf8_of_wide(stream.text, utf8);
}

}  // namespace

const MessageEntry<TextEditDialog> TextEditDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &TextEditDialog::on_init_dialog),
    on_command(IDOK, &TextEditDialog::on_ok),
    on_command(IDCANCEL, &TextEditDialog::on_cancel),
};

bool TextAreaEdit::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (msg == WM_GETDLGCODE) {
        result = call_original(msg, wparam, lparam);
        const MSG* pending = reinterpret_cast<const MSG*>(lparam);
        if (wparam == VK_TAB || (pending && pending->wParam == VK_TAB &&
                                 (pending->message == WM_KEYDOWN || pending->message == WM_CHAR))) {
            result &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
        }
        return true;
    }
    if (msg == WM_CHAR && wparam == '\t') {
        result = 0;
        return true;
    }
    return false;
}

INT_PTR TextEditDialog::run(HWND owner) {
    const INT_PTR result = show_modal(IDD_TEXT_EDIT, owner);
    return result == 0 ? 0 : -1;
}

bool TextEditDialog::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT TextEditDialog::on_init_dialog(WPARAM, LPARAM) {
    center_window(hwnd());
    text_area_ = item(IDC_TEXT_AREA);
    text_area_edit_.attach(text_area_);
    cancel_ = item(IDCANCEL);
    ok_ = item(IDOK);

    // No size of its own (no CFM_SIZE): the control's default size applies.
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    format.dwMask =
        CFM_FACE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.dwEffects = 0;
    format.yHeight = 0;
    format.crTextColor = RGB(0, 0, 0);
    format.bCharSet = kShiftJisCharset;
    std::memcpy(format.szFaceName, kFaceName, sizeof(kFaceName));
    SendMessageA(text_area_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));

    fit_text_area_to_dpi();

    SetFocus(text_area_);
    SendMessageA(text_area_, EM_EXLIMITTEXT, 0, kTextLimit);
    load_text_value();
    return FALSE;
}

void TextEditDialog::fit_text_area_to_dpi() {
    zoom_rich_edit_to_dpi(text_area_, dpi());
    RECT area;
    GetClientRect(text_area_, &area);
    area.left += scale(kTextIndentX);
    area.top += scale(kTextIndentY);
    SendMessageA(text_area_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&area));
}

void TextEditDialog::dpi_changed(int) {
    fit_text_area_to_dpi();
}

void TextEditDialog::load_text_value() {
    std::string value;
    CellValue stored;
    if (has_record && read_cell_value(database, cell, stored) == ReadOutcome::found) {
        value = std::move(stored.stored);
    }
    // The limit counts UTF-16 units, which never outnumber the bytes.
    const std::size_t limit = std::max<std::size_t>(kTextLimit, value.size());
    SendMessageW(text_area_, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(limit));
    set_plain_text(text_area_, value);
    // Rich edit links no fonts under Wine: characters the face lacks get one that
    // has them.
    GlyphFaces faces(wide_of_ansi(kFaceName).c_str(), kShiftJisCharset);
    faces.give_faces(text_area_);
    // The control may store line breaks its own way: compare later with what it shows.
    plain_text(text_area_, opened_text_);
    SetFocus(text_area_);
}

LRESULT TextEditDialog::on_ok(WPARAM, LPARAM) {
    if (!plain_text(text_area_, text_)) {
        // Half of a character is never written as another one: the user mends it.
        show_message_box(hwnd(), kHalfCharacterText, kHalfCharacterCaption,
                         MB_OK | MB_ICONINFORMATION);
        SetFocus(text_area_);
        return 0;
    }
    end_dialog(0);
    return 0;
}

LRESULT TextEditDialog::on_cancel(WPARAM, LPARAM) {
    end_dialog(-1);
    return 0;
}
