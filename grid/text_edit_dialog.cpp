#include "grid/text_edit_dialog.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "db/result_table.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "grid/grid_statements.h"
#include "grid/record_statements.h"
#include "res/resource.h"
#include "win/dialog_layout.h"
#include "win/window_text.h"

namespace {

constexpr char kFaceName[] = "ＭＳ ゴシック";
constexpr BYTE kShiftJisCharset = 128;
// Room between the text and the text area's left and top edges.
constexpr int kTextIndentX = 10;
constexpr int kTextIndentY = 5;

}  // namespace

const MessageEntry<TextEditDialog> TextEditDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &TextEditDialog::on_init_dialog),
    on_command(IDOK, &TextEditDialog::on_ok),
    on_command(IDCANCEL, &TextEditDialog::on_cancel),
};

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

    RECT area;
    GetClientRect(text_area_, &area);
    area.left += kTextIndentX;
    area.top += kTextIndentY;
    SendMessageA(text_area_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&area));

    SetFocus(text_area_);
    SendMessageA(text_area_, EM_EXLIMITTEXT, 0, kTextLimit);
    load_text_value();
    return FALSE;
}

void TextEditDialog::load_text_value() {
    std::string value;
    if (has_record) {
        const std::string condition = record_condition.empty()
                                          ? rowid_name + " = " + std::to_string(rowid)
                                          : record_condition;
        ResultTable result;
        if (result.run(database, select_value_where_sql(table_name, column_name, condition))) {
            for (int row = 0; row < result.rows(); ++row) {
                const char* field = result.value(row, 0);
                std::string converted;
                if (field && convert_whole(field, false, converted)) {
                    value = std::move(converted);
                }
            }
        }
    }
    // The limit counts characters, which never outnumber the bytes.
    const std::size_t limit = std::max<std::size_t>(kTextLimit, value.size());
    SendMessageA(text_area_, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(limit));
    SetWindowTextA(text_area_, value.c_str());
    // The control may store line breaks its own way: compare later with what it shows.
    opened_text_ = read_window_text(text_area_);
    SetFocus(text_area_);
}

LRESULT TextEditDialog::on_ok(WPARAM, LPARAM) {
    text_ = read_window_text(text_area_);
    end_dialog(0);
    return 0;
}

LRESULT TextEditDialog::on_cancel(WPARAM, LPARAM) {
    end_dialog(-1);
    return 0;
}
