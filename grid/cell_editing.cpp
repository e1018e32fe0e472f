#include "grid/grid_statements.h"
#include "grid/table_grid.h"

#include <commctrl.h>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/cell_editor.h"
#include "grid/text_edit_dialog.h"
#include "win/dialog.h"
#include "win/message_box.h"

namespace {

constexpr const char kTooLongText[] = "入力文字数が長すぎます。";
constexpr const char kInputErrorCaption[] = "入力エラー";

void report_too_long(HWND owner) {
    show_message_box(owner, kTooLongText, kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
}

bool control_key_down() {
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

}  // namespace

void TableGrid::place_editor(int row, int column) {
    RECT cell;
    cell_rect(row, column, cell);
    HWND editor = cell_editor->hwnd();
    SendMessageA(editor, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(3, 5));
    MoveWindow(editor, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, TRUE);
}

void TableGrid::show_editor() {
    HWND editor = cell_editor->hwnd();
    ShowWindow(editor, SW_SHOW);
    // What is left of the click or key that started the edit goes first, so that
    // it does not take the focus away again.
    drain_message_queue();
    if (!cell_editor->active) {
        return;
    }
    SetFocus(editor);
    SendMessageA(editor, EM_SETSEL, 0, -1);
    SendMessageA(editor, EM_SCROLLCARET, 0, 0);
    UpdateWindow(editor);
}

void TableGrid::begin_cell_edit(int column) {
    if (!cell_editor || !cell_editor->hwnd() || column < 1 || column > column_count()) {
        return;
    }
    if (cell_editor->active) {
        // An edit left open (hidden by scrolling) is written before another starts.
        commit_cell_edit(false);
    }
    const int row = selected_row();
    if (row < 0) {
        return;
    }
    // After a reload the row may lie outside the visible part of the list.
    ensure_visible(row);
    place_editor(row, column);

    const bool new_record = is_blank_row(row);
    const RowId rowid = new_record ? -1 : parse_rowid(cell_text(row, 0).c_str());
    const std::string text = cell_text(row, column);
    if (text.size() > kInPlaceCellLimit || control_key_down()) {
        edit_in_dialog(row, column, rowid, new_record);
        return;
    }

    CellEditor& editor = *cell_editor;
    editor.set_text(text);
    editor.original_text = editor.text();
    editor.row = row;
    editor.column = column;
    editor.rowid = rowid;
    editor.new_record = new_record;
    editor.active = true;
    show_editor();
}

void TableGrid::edit_in_dialog(int row, int column, RowId rowid, bool new_record) {
    TextEditDialog dialog;
    dialog.database = database;
    dialog.table_name = table_name;
    dialog.column_name = column_name(column);
    dialog.rowid = rowid;
    dialog.rowid_name = rowid_name_;
    dialog.has_record = !new_record;
    if (dialog.run(GetActiveWindow()) != 0) {
        return;
    }
    const std::string& value = dialog.text();
    if (value == dialog.opened_text()) {
        return;
    }
    if (value.size() > kLongestWrittenValue) {
        report_too_long(hwnd());
        return;
    }
    if (new_record) {
        insert_record(column, value);
        return;
    }
    if (update_cell(column_name(column), value, rowid)) {
        set_cell_text(row, column, value.substr(0, kCellShownBytes).c_str());
    }
}

void TableGrid::commit_cell_edit(bool move_next) {
    if (!cell_editor || !cell_editor->active) {
        return;
    }
    CellEditor& editor = *cell_editor;
    const std::string text = editor.text();
    // Before any statement or message box: the focus changes they cause must not
    // start a second commit.
    editor.active = false;
    editor.hide();

    if (text.size() > kInPlaceTextLimit) {
        report_too_long(hwnd());
        return;
    }
    const int column = editor.column;
    bool written = true;
    if (text != editor.original_text) {
        if (editor.new_record) {
            int new_row = -1;
            written = insert_record(column, text, &new_row);
            // Only the new record's next column may open, never another record's.
            written = written && new_row >= 0;
        } else {
            written = update_cell(column_name(column), text, editor.rowid);
            if (written) {
                set_cell_text(editor.row, column, text.c_str());
            }
        }
    }
    if (move_next && written && column + 1 <= column_count()) {
        begin_cell_edit(column + 1);
    }
    if (move_next) {
        UpdateWindow(hwnd());
    }
}

bool TableGrid::update_cell(const std::string& column, const std::string& value, RowId rowid) {
    if (!database || value.size() > kLongestWrittenValue) {
        return false;
    }
    if (exec_ansi(database, update_cell_sql(table_name, column, value, rowid, rowid_name_)) !=
        SQLITE_OK) {
        report_sql_error(hwnd(), kUpdateFailedText, database);
        return false;
    }
    return true;
}

bool TableGrid::insert_record(int column, const std::string& value, int* new_row) {
    if (new_row) {
        *new_row = -1;
    }
    if (!database || column < 1 || column > column_count() || value.size() > kLongestWrittenValue) {
        return false;
    }
    const std::string sql =
        insert_record_sql(table_name, column_names_, column, value, rowid_alias_column_);
    if (exec_ansi(database, sql) != SQLITE_OK) {
        report_sql_error(hwnd(), kInsertFailedText, database);
        return false;
    }
    // A trigger may have dropped the record; the last rowid is then another one's.
    const bool added = sqlite3_changes(database) > 0;
    const RowId rowid = added ? sqlite3_last_insert_rowid(database) : 0;
    if (row_count() > kPageSize) {
        ++page_index;
    }
    reload_page(rowid);
    if (new_row && added) {
        *new_row = row_of_record(rowid);
    }
    return true;
}
