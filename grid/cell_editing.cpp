#include "grid/grid_statements.h"
#include "grid/table_grid.h"

#include <commctrl.h>

#include <algorithm>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/cell_editor.h"
#include "grid/text_edit_dialog.h"
#include "win/dialog.h"
#include "win/message_box.h"

namespace {

constexpr const char kTooLongText[] = "入力文字数が長すぎます。";
constexpr const char kInputErrorCaption[] = "入力エラー";
constexpr const char kBinaryText[] = "この値はバイナリ データ（BLOB）のため編集できません。";
constexpr const char kUnrepresentableText[] =
    "この値にはこのシステムで表示できない文字が含まれるため編集できません。";
constexpr const char kRecordMissingText[] =
    "レコードが見つからないか、変更されませんでした。表示を読み直します。";
constexpr const char kNotAddedText[] = "レコードは追加されませんでした。表示を読み直します。";

void report_too_long(HWND owner) {
    show_message_box(owner, kTooLongText, kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
}

void report_refusal(HWND owner, EditRefusal refusal) {
    show_message_box(owner, refusal == EditRefusal::binary ? kBinaryText : kUnrepresentableText,
                     kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
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

CellAddress TableGrid::cell_address(int column, RowId rowid) const {
    CellAddress cell;
    cell.table = table_name;
    cell.column = column_name(column);
    cell.rowid = rowid;
    cell.rowid_name = rowid_name_;
    return cell;
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
    std::string text = cell_text(row, column);
    ValueKind kind = ValueKind::unknown;
    if (!new_record) {
        // The cell shows a cut, converted copy; the edit starts from the record.
        CellValue value;
        switch (read_cell_value(database, cell_address(column, rowid), value)) {
            case ReadOutcome::missing:
                report_record_missing(row);
                return;
            case ReadOutcome::found:
                if (const EditRefusal refusal = edit_refusal(value); refusal != EditRefusal::none) {
                    report_refusal(hwnd(), refusal);
                    return;
                }
                text = value.ansi;
                kind = value.kind;
                break;
            case ReadOutcome::failed:
                break;
        }
    }
    if (text.size() > kInPlaceCellLimit || control_key_down()) {
        edit_in_dialog(row, column, rowid, new_record, kind);
        return;
    }

    CellEditor& editor = *cell_editor;
    editor.set_text(text);
    editor.original_text = editor.text();
    editor.row = row;
    editor.column = column;
    editor.rowid = rowid;
    editor.new_record = new_record;
    editor.kind = kind;
    editor.active = true;
    show_editor();
}

void TableGrid::edit_in_dialog(int row, int column, RowId rowid, bool new_record, ValueKind kind) {
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
    const int written_row = update_cell(row, column, rowid, kind, value);
    if (written_row >= 0) {
        set_cell_text(written_row, column, value.substr(0, kCellShownBytes).c_str());
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
            RowId rowid = editor.rowid;
            const int row =
                update_cell(editor.row, column, editor.rowid, editor.kind, text, &rowid);
            written = row >= 0;
            if (written) {
                // The next column and the delete command go by the record's new place.
                editor.row = row;
                editor.rowid = rowid;
                set_cell_text(row, column, text.c_str());
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

int TableGrid::update_cell(int row,
                           int column,
                           RowId rowid,
                           ValueKind previous,
                           const std::string& value,
                           RowId* new_rowid) {
    if (!database || column < 1 || column > column_count() || value.size() > kLongestWrittenValue) {
        return -1;
    }
    const WriteResult result =
        update_cell_value(database, cell_address(column, rowid),
                          value_literal(value, previous, column_has_type(column)));
    switch (result.outcome) {
        case WriteOutcome::failed:
            report_sql_error(hwnd(), kUpdateFailedText, database);
            return -1;
        case WriteOutcome::no_record:
            report_record_missing(row);
            return -1;
        case WriteOutcome::written:
            break;
    }
    if (new_rowid) {
        *new_rowid = result.rowid;
    }
    if (result.rowid == rowid) {
        return row;
    }
    // A new key: the record has another place in the page, or none on it, and
    // anything after this write must find it by its new row id.
    reload_page(result.rowid);
    return row_of_record(result.rowid);
}

void TableGrid::report_record_missing(int row) {
    show_message_box(hwnd(), kRecordMissingText, kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
    reload_page(0);
    const int rows = row_count();
    if (rows > 0) {
        select_row(std::min(row, rows - 1));
    }
}

void TableGrid::finish_cell_edit() {
    if (cell_editor && cell_editor->active) {
        commit_cell_edit(false);
    }
}

bool TableGrid::insert_record(int column, const std::string& value, int* new_row) {
    if (new_row) {
        *new_row = -1;
    }
    if (!database || column < 1 || column > column_count() || value.size() > kLongestWrittenValue) {
        return false;
    }
    const std::string sql = insert_record_literal_sql(
        table_name, column_names_, column,
        value_literal(value, ValueKind::unknown, column_has_type(column)), rowid_alias_column_);
    if (exec_ansi(database, sql) != SQLITE_OK) {
        report_sql_error(hwnd(), kInsertFailedText, database);
        return false;
    }
    // A trigger may have dropped the record; the last rowid is then another one's.
    const bool added = sqlite3_changes(database) > 0;
    const RowId rowid = added ? sqlite3_last_insert_rowid(database) : 0;
    if (!added) {
        show_message_box(hwnd(), kNotAddedText, kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
    } else if (row_count() > kPageSize) {
        ++page_index;
    }
    reload_page(rowid);
    if (new_row && added) {
        *new_row = row_of_record(rowid);
    }
    return true;
}
