#include "structure/structure_editor_dialog.h"

#include <commctrl.h>

#include "db/text_convert.h"
#include "res/resource.h"
#include "structure/table_rebuild.h"
#include "win/dialog_layout.h"
#include "win/list_view.h"
#include "win/message_box.h"
#include "win/wide_text.h"
#include "win/window_text.h"

namespace {

constexpr const char kEditCaption[] = "テーブル構造編集";
constexpr const char kNewCaption[] = "テーブル新規作成";
constexpr const char kNameHeading[] = "項目名";
constexpr const char kTypeHeading[] = "型情報";
constexpr int kNameColumnWidth = 110;
constexpr const char kLossHeading[] = "削除する列が使われているため、次のものは元に戻せません。";
constexpr const char kLossQuestion[] = "このまま変更しますか？";
constexpr const char kBrokenTextText[] =
    "名前か型に、半分だけの文字 (サロゲート ペアの片方) があるため、実行しませんでした。\n"
    "入力し直してください。";

enum ListColumn { kSourceColumn = 0, kNameColumn = 1, kTypeColumn = 2 };

// OK's change, run after what was waiting when OK came.
constexpr UINT kRunOkMessage = WM_APP + 1;

void set_list_text(HWND list, int row, int column, const std::string& text) {
    std::wstring wide = wide_of_utf8(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void set_read_window_text(HWND control, const std::string& text) {
    // Setting the same text again would move the caret of a field being typed in.
    if (window_text_utf8(control) != text) {
        set_window_text_utf8(control, text);
    }
}

// Shows a type in the type box with the box's selection in step: the choice of
// that exact spelling, or none for a type typed by hand. The arrow keys then move
// on from the type shown, not from one shown before.
void show_type(HWND box, const std::string& type) {
    LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(wide_of_utf8(type).c_str()));
    // The search ignores case; a type spelt otherwise is the user's own.
    if (index != CB_ERR && kTypeChoices[static_cast<std::size_t>(index)] != type) {
        index = CB_ERR;
    }
    if (SendMessageA(box, CB_GETCURSEL, 0, 0) != index) {
        SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    set_read_window_text(box, type);
}

// The thread's input and the dialog's commands that were waiting when OK came.
bool input_waiting(HWND dialog) {
    const UINT input_ranges[][2] = {{WM_KEYFIRST, WM_KEYLAST},
                                    {WM_IME_STARTCOMPOSITION, WM_IME_KEYLAST},
                                    {WM_IME_CHAR, WM_IME_KEYUP},
                                    {WM_LBUTTONDOWN, WM_MOUSELAST}};
    MSG msg;
    for (const auto& range : input_ranges) {
        if (PeekMessageA(&msg, nullptr, range[0], range[1], PM_NOREMOVE)) {
            return true;
        }
    }
    return PeekMessageA(&msg, dialog, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) ||
           PeekMessageA(&msg, dialog, WM_COMMAND, WM_SYSCOMMAND, PM_NOREMOVE);
}

}  // namespace

const MessageEntry<StructureEditorDialog> StructureEditorDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &StructureEditorDialog::on_init_dialog),
    on_message(kRunOkMessage, &StructureEditorDialog::on_run_ok),
    on_command(IDC_ADD_COLUMN, &StructureEditorDialog::on_add_column),
    on_command(IDC_DELETE_COLUMN, &StructureEditorDialog::on_delete_column),
    on_command_code(IDC_COLUMN_NAME, EN_CHANGE, &StructureEditorDialog::on_fields_edited),
    on_command_code(IDC_COLUMN_TYPE, CBN_EDITCHANGE, &StructureEditorDialog::on_fields_edited),
    on_command_code(IDC_COLUMN_TYPE, CBN_SELCHANGE, &StructureEditorDialog::on_type_chosen),
    on_command(IDOK, &StructureEditorDialog::on_ok),
    on_command(IDCANCEL, &StructureEditorDialog::on_cancel),
    on_notify(LVN_ITEMCHANGED, &StructureEditorDialog::on_item_changed),
};

INT_PTR show_structure_editor(HWND owner, sqlite3* db, const std::string& table_name) {
    StructureEditorDialog dialog(db);
    dialog.set_table_name(table_name);
    return dialog.show(owner);
}

void StructureEditorDialog::set_table_name(const std::string& name) {
    if (name.empty()) {
        edit_mode_ = false;
        rows_ = ColumnRows(true);
        return;
    }
    table_name_ = name;
    edit_mode_ = true;
    rows_ = ColumnRows(false);
}

INT_PTR StructureEditorDialog::show(HWND owner) {
    return show_modal(IDD_STRUCTURE_EDITOR, owner);
}

bool StructureEditorDialog::handle_message(UINT msg,
                                           WPARAM wparam,
                                           LPARAM lparam,
                                           LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT StructureEditorDialog::on_init_dialog(WPARAM, LPARAM) {
    center_window(hwnd());

    table_name_field_ = item(IDC_STRUCTURE_TABLE_NAME);
    list_ = item(IDC_COLUMN_LIST);
    column_name_field_ = item(IDC_COLUMN_NAME);
    type_box_ = item(IDC_COLUMN_TYPE);
    add_button_ = item(IDC_ADD_COLUMN);
    delete_button_ = item(IDC_DELETE_COLUMN);
    ok_button_ = item(IDOK);

    for (const char* type : kTypeChoices) {
        SendMessageA(type_box_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
    }
    SendMessageA(type_box_, CB_SETCURSEL, 0, 0);

    set_up_list();

    if (edit_mode_) {
        std::vector<ColumnDef> loaded;
        if (load_table_columns(db_, table_name_, loaded)) {
            set_window_text_utf8(table_name_field_, table_name_);
            rows_.load(std::move(loaded));
            for (std::size_t row = 0; row < rows_.size(); ++row) {
                append_row(static_cast<int>(row));
            }
        }
        EnableWindow(add_button_, FALSE);
        SetWindowTextA(hwnd(), kEditCaption);
    } else {
        SetWindowTextA(hwnd(), kNewCaption);
    }

    enable_column_fields(false);
    // The dialog manager puts the focus on the first tab stop, the table name.
    return TRUE;
}

void StructureEditorDialog::set_up_list() {
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    RECT client{};
    GetClientRect(list_, &client);
    const int type_width = client.right - client.left - scale(kNameColumnWidth) -
                           system_metric_for_dpi(SM_CXVSCROLL, dpi()) -
                           2 * system_metric_for_dpi(SM_CXEDGE, dpi());
    // source_name is kept in a column the user never sees.
    insert_list_column(list_, kSourceColumn, "", 0);
    insert_list_column(list_, kNameColumn, kNameHeading, scale(kNameColumnWidth));
    insert_list_column(list_, kTypeColumn, kTypeHeading, type_width);
}

void StructureEditorDialog::dpi_changed(int old_dpi) {
    scale_list_columns(list_, old_dpi, dpi());
}

void StructureEditorDialog::append_row(int row) {
    const ColumnDef& column = rows_.columns()[static_cast<std::size_t>(row)];
    std::wstring source = wide_of_utf8(column.source_name);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = source.data();
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    set_list_text(list_, row, kNameColumn, column.name);
    set_list_text(list_, row, kTypeColumn, column.type);
}

void StructureEditorDialog::mirror_current_row() {
    if (rows_.current() == ColumnRows::kNoRow) {
        return;
    }
    set_list_text(list_, rows_.current(), kNameColumn, rows_.current_column().name);
    set_list_text(list_, rows_.current(), kTypeColumn, rows_.current_column().type);
}

int StructureEditorDialog::selected_row() const {
    return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

void StructureEditorDialog::store_fields() {
    // A field holding half of a surrogate pair (a character cut by Backspace)
    // leaves the row as it last was; OK refuses while a field holds one.
    std::string name;
    std::string type;
    if (read_window_text_utf8(column_name_field_, name) && read_window_text_utf8(type_box_, type) &&
        rows_.rename(name) && rows_.retype(type)) {
        mirror_current_row();
    }
}

bool StructureEditorDialog::fields_whole() const {
    // The column's fields count while they show a row.
    const bool row_shown = rows_.current() != ColumnRows::kNoRow;
    std::string text;
    return read_window_text_utf8(table_name_field_, text) &&
           (!row_shown || (read_window_text_utf8(column_name_field_, text) &&
                           read_window_text_utf8(type_box_, text)));
}

void StructureEditorDialog::show_row(int row) {
    // While the fields fill, no row is current: their change notices write nowhere.
    rows_.select(ColumnRows::kNoRow);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        enable_column_fields(false);
        return;
    }
    const ColumnDef column = rows_.columns()[static_cast<std::size_t>(row)];
    set_read_window_text(column_name_field_, column.name);
    show_type(type_box_, column.type);
    rows_.select(row);
    enable_column_fields(true);
}

void StructureEditorDialog::enable_column_fields(bool enable) {
    EnableWindow(column_name_field_, enable);
    EnableWindow(type_box_, enable);
    EnableWindow(delete_button_, enable);
}

LRESULT StructureEditorDialog::on_add_column(WPARAM, LPARAM) {
    const int row = rows_.add();
    if (row == ColumnRows::kNoRow) {
        return 0;
    }
    append_row(row);
    // The fields show the new row before the list moves its selection there, or
    // the row left would be written into the new one.
    show_row(row);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list_, LVM_ENSUREVISIBLE, row, FALSE);

    // Typing then replaces the default name.
    SetFocus(column_name_field_);
    SendMessageA(column_name_field_, EM_SETSEL, 0, -1);
    SendMessageA(column_name_field_, EM_SCROLLCARET, 0, 0);
    return 0;
}

LRESULT StructureEditorDialog::on_delete_column(WPARAM, LPARAM) {
    const int row = rows_.delete_current();
    if (row != ColumnRows::kNoRow) {
        // No row is current from here on, so whatever the list reports about the
        // vanishing selection writes into no row.
        SendMessageA(list_, LVM_DELETEITEM, row, 0);
    }
    return 0;
}

LRESULT StructureEditorDialog::on_fields_edited(WPARAM, LPARAM) {
    store_fields();
    return 0;
}

LRESULT StructureEditorDialog::on_type_chosen(WPARAM, LPARAM) {
    if (rows_.current() == ColumnRows::kNoRow) {
        return 0;
    }
    // The edit field still shows the old text at this moment; the entry is the choice.
    const LRESULT index = SendMessageA(type_box_, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        return 0;
    }
    const LRESULT length = SendMessageA(type_box_, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) {
        return 0;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(type_box_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::char_traits<char>::length(text.c_str()));
    rows_.retype(text);
    mirror_current_row();
    return 0;
}

LRESULT StructureEditorDialog::on_item_changed(WPARAM, LPARAM lparam) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
    // The list reports its own texts changing too; only a selection that moves
    // moves the fields.
    if (change->hdr.hwndFrom != list_ || !(change->uChanged & LVIF_STATE) ||
        !((change->uNewState ^ change->uOldState) & LVIS_SELECTED)) {
        return 0;
    }
    store_fields();
    show_row(selected_row());
    return 0;
}

LRESULT StructureEditorDialog::on_ok(WPARAM, LPARAM) {
    // A disabled OK has been pressed already: its change is on its way or under
    // way, and a message box it shows must not start another.
    if (!IsWindowEnabled(ok_button_)) {
        return 0;
    }
    EnableWindow(ok_button_, FALSE);
    // What was typed before OK reaches the rows first, and a cancel that was
    // waiting closes the dialog before anything is changed: OK then comes after.
    if (input_waiting(hwnd())) {
        PostMessageA(hwnd(), kRunOkMessage, 0, 0);
        return 0;
    }
    return on_run_ok(0, 0);
}

LRESULT StructureEditorDialog::on_run_ok(WPARAM, LPARAM) {
    std::string name;
    if (!fields_whole() || !read_window_text_utf8(table_name_field_, name)) {
        show_message_box(hwnd(), kBrokenTextText, kStructureErrorCaption,
                         MB_OK | MB_ICONINFORMATION);
        EnableWindow(ok_button_, TRUE);
        return 0;
    }
    StructureError error;
    bool done = false;
    // A user who declines the losses keeps the dialog as it is, unreported.
    bool declined = false;
    if (edit_mode_) {
        declined = !confirm_losses();
        done = !declined && rebuild_table(db_, table_name_, rows_.columns(), name, error);
    } else {
        done = create_table(db_, name, rows_.columns(), error);
    }
    if (done) {
        end_dialog(IDOK);
        return 0;
    }
    if (!declined) {
        show_message_box_utf8(hwnd(), error.text, error.caption.c_str(),
                              MB_OK | MB_ICONINFORMATION);
    }
    EnableWindow(ok_button_, TRUE);
    return 0;
}

bool StructureEditorDialog::confirm_losses() {
    const std::vector<std::string> lost = objects_lost_by_change(db_, table_name_, rows_.columns());
    if (lost.empty()) {
        return true;
    }
    std::string text = to_utf8(kLossHeading) + "\n\n";
    for (const std::string& object : lost) {
        text += object + "\n";
    }
    text += "\n" + to_utf8(kLossQuestion);
    return show_message_box_utf8(hwnd(), text, kEditCaption,
                                 MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDOK;
}

LRESULT StructureEditorDialog::on_cancel(WPARAM, LPARAM) {
    end_dialog(IDCANCEL);
    return 0;
}
