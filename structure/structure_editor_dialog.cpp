#include "structure/structure_editor_dialog.h"

#include <commctrl.h>

#include "db/text_convert.h"
#include "res/resource.h"
#include "structure/table_rebuild.h"
#include "win/dialog_layout.h"
#include "win/list_view.h"
#include "win/message_box.h"
#include "win/window_text.h"

namespace {

constexpr const char kEditCaption[] = "テーブル構造編集";
constexpr const char kNewCaption[] = "テーブル新規作成";
constexpr const char kNameHeading[] = "項目名";
constexpr const char kTypeHeading[] = "型情報";
constexpr int kNameColumnWidth = 110;
constexpr const char kLossHeading[] = "削除する列が使われているため、次のものは元に戻せません。";
constexpr const char kLossQuestion[] = "このまま変更しますか？";

enum ListColumn { kSourceColumn = 0, kNameColumn = 1, kTypeColumn = 2 };

void set_read_window_text(HWND control, const std::string& text) {
    // Setting the same text again would move the caret of a field being typed in.
    if (read_window_text(control) != text) {
        SetWindowTextA(control, text.c_str());
    }
}

// Shows a type in the type box with the box's selection in step: the choice of
// that exact spelling, or none for a type typed by hand. The arrow keys then move
// on from the type shown, not from one shown before.
void show_type(HWND box, const std::string& type) {
    LRESULT index = SendMessageA(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(type.c_str()));
    // The search ignores case; a type spelt otherwise is the user's own.
    if (index != CB_ERR && kTypeChoices[static_cast<std::size_t>(index)] != type) {
        index = CB_ERR;
    }
    if (SendMessageA(box, CB_GETCURSEL, 0, 0) != index) {
        SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    set_read_window_text(box, type);
}

}  // namespace

const MessageEntry<StructureEditorDialog> StructureEditorDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &StructureEditorDialog::on_init_dialog),
    on_command(IDC_ADD_COLUMN, &StructureEditorDialog::on_add_column),
    on_command(IDC_DELETE_COLUMN, &StructureEditorDialog::on_delete_column),
    on_command_code(IDC_COLUMN_NAME, EN_CHANGE, &StructureEditorDialog::on_fields_edited),
    on_command_code(IDC_COLUMN_TYPE, CBN_EDITCHANGE, &StructureEditorDialog::on_fields_edited),
    on_command_code(IDC_COLUMN_TYPE, CBN_SELCHANGE, &StructureEditorDialog::on_type_chosen),
    on_command(IDOK, &StructureEditorDialog::on_ok),
    on_command(IDCANCEL, &StructureEditorDialog::on_cancel),
    on_notify(LVN_ITEMCHANGED, &StructureEditorDialog::on_selection_changed),
};

INT_PTR show_structure_editor(HWND owner, sqlite3* db, const std::string& table_name) {
    StructureEditorDialog dialog(db);
    dialog.set_table_name(table_name);
    return dialog.show(owner);
}

void StructureEditorDialog::set_table_name(const std::string& name) {
    if (name.empty()) {
        edit_mode_ = false;
        return;
    }
    table_name_ = name;
    edit_mode_ = true;
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
    current_row_ = -1;

    if (edit_mode_) {
        std::vector<ColumnDef> loaded;
        if (load_table_columns(db_, table_name_, loaded)) {
            SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
            columns_.clear();
            SetWindowTextA(table_name_field_, to_ansi(table_name_).c_str());
            for (const ColumnDef& column : loaded) {
                append_row(column);
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
    const int type_width = client.right - client.left - kNameColumnWidth -
                           GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE);
    // source_name is kept in a column the user never sees.
    insert_list_column(list_, kSourceColumn, "", 0);
    insert_list_column(list_, kNameColumn, kNameHeading, kNameColumnWidth);
    insert_list_column(list_, kTypeColumn, kTypeHeading, type_width);
}

void StructureEditorDialog::append_row(const ColumnDef& column) {
    const int row = static_cast<int>(columns_.size());
    columns_.push_back(column);
    writing_rows_ = true;
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(column.source_name.c_str());
    SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    writing_rows_ = false;
    set_row_text(row, kNameColumn, column.name);
    set_row_text(row, kTypeColumn, column.type);
}

void StructureEditorDialog::set_row_text(int row, int column, const std::string& text) {
    if (row < 0 || static_cast<std::size_t>(row) >= columns_.size()) {
        return;
    }
    ColumnDef& def = columns_[static_cast<std::size_t>(row)];
    (column == kNameColumn ? def.name : def.type) = text;
    writing_rows_ = true;
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    writing_rows_ = false;
}

int StructureEditorDialog::selected_row() const {
    const int row = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                  MAKELPARAM(LVNI_SELECTED, 0)));
    if (row < 0 || static_cast<std::size_t>(row) >= columns_.size()) {
        return -1;
    }
    return row;
}

void StructureEditorDialog::store_fields(int row) {
    const std::string name = read_window_text(column_name_field_);
    const std::string type = read_window_text(type_box_);
    set_row_text(row, kNameColumn, name);
    set_row_text(row, kTypeColumn, type);
}

void StructureEditorDialog::enable_column_fields(bool enable) {
    EnableWindow(column_name_field_, enable);
    EnableWindow(type_box_, enable);
    EnableWindow(delete_button_, enable);
}

LRESULT StructureEditorDialog::on_add_column(WPARAM, LPARAM) {
    if (edit_mode_) {
        return 0;
    }
    const std::size_t count = columns_.size();
    append_row({std::string(), default_column_name(count), kTypeChoices[0]});

    const int row = static_cast<int>(count);
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
    const int row = selected_row();
    if (row < 0) {
        return 0;
    }
    // No row is current from here on, so whatever the list reports about the
    // vanishing selection can write into no row, the deleted one or its successor.
    current_row_ = -1;
    SendMessageA(list_, LVM_DELETEITEM, row, 0);
    columns_.erase(columns_.begin() + row);
    return 0;
}

LRESULT StructureEditorDialog::on_fields_edited(WPARAM, LPARAM) {
    if (current_row_ >= 0) {
        store_fields(current_row_);
    }
    return 0;
}

LRESULT StructureEditorDialog::on_type_chosen(WPARAM, LPARAM) {
    if (current_row_ < 0) {
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
    set_row_text(current_row_, kTypeColumn, text);
    return 0;
}

LRESULT StructureEditorDialog::on_selection_changed(WPARAM, LPARAM lparam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->hwndFrom != list_ || writing_rows_) {
        return 0;
    }
    const int row = selected_row();
    if (current_row_ >= 0) {
        store_fields(current_row_);
        // Filling the fields below must not write into the row that was left,
        // whatever order the list reports deselection and selection in.
        current_row_ = -1;
    }
    if (row < 0) {
        enable_column_fields(false);
        return 0;
    }
    const ColumnDef& column = columns_[static_cast<std::size_t>(row)];
    const std::string name = column.name;
    const std::string type = column.type;
    set_read_window_text(column_name_field_, name);
    show_type(type_box_, type);
    current_row_ = row;
    enable_column_fields(true);
    return 0;
}

LRESULT StructureEditorDialog::on_ok(WPARAM, LPARAM) {
    if (processing_ok_ || ended_) {
        return 0;
    }
    processing_ok_ = true;
    EnableWindow(ok_button_, FALSE);
    drain_message_queue();

    // What was waiting may have closed the dialog; then nothing is to be changed.
    if (!ended_) {
        const std::string name = read_window_text(table_name_field_);
        StructureError error;
        bool done = false;
        // A user who declines the losses keeps the dialog as it is, unreported.
        bool declined = false;
        if (edit_mode_) {
            declined = !confirm_losses();
            done = !declined && rebuild_table(db_, table_name_, columns_, name, error);
        } else {
            done = create_table(db_, name, columns_, error);
        }
        if (done) {
            ended_ = true;
            end_dialog(IDOK);
        } else if (!declined) {
            show_message_box(hwnd(), error.text.c_str(), error.caption.c_str(),
                             MB_OK | MB_ICONINFORMATION);
        }
    }

    EnableWindow(ok_button_, TRUE);
    processing_ok_ = false;
    return 0;
}

bool StructureEditorDialog::confirm_losses() {
    const std::vector<std::string> lost = objects_lost_by_change(db_, table_name_, columns_);
    if (lost.empty()) {
        return true;
    }
    std::string text = std::string(kLossHeading) + "\n\n";
    for (const std::string& object : lost) {
        text += object + "\n";
    }
    text += std::string("\n") + kLossQuestion;
    return show_message_box(hwnd(), text.c_str(), kEditCaption,
                            MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDOK;
}

LRESULT StructureEditorDialog::on_cancel(WPARAM, LPARAM) {
    ended_ = true;
    end_dialog(IDCANCEL);
    return 0;
}
