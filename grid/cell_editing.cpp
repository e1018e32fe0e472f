#include "grid/grid_statements.h"
#include "grid/table_grid.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "grid/record_statements.h"
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

constexpr const char kGeneratedColumnText[] =
    "この列の値は他の列から計算される（GENERATED）ため、編集できません。";
constexpr const char kReadOnlyTableText[] =
    "このテーブルはレコードを特定できないため、表示のみとなります。変更はできません。";

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

CellAddress TableGrid::cell_address(int column, const std::string& condition) const {
    CellAddress cell;
    cell.table = table_name;
    cell.column = column_exact_name(column);
    cell.rowid_name = rowid_name_;
    cell.condition = condition;
    cell.has_rowid = shape_.identity == RecordIdentity::rowid;
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
    if (row < 0 || refuse_edit(column)) {
        return;
    }
    // After a reload the row may lie outside the visible part of the list.
    ensure_visible(row);
    place_editor(row, column);

    const bool new_record = is_blank_row(row);
    const bool by_rowid = shape_.identity == RecordIdentity::rowid;
    const RowId rowid = new_record || !by_rowid ? -1 : parse_rowid(cell_text(row, 0).c_str());
    const std::string condition = record_condition(row);
    std::string text = cell_text(row, column);
    ValueKind kind = ValueKind::unknown;
    if (!new_record) {
        // The cell shows a cut, converted copy; the edit starts from the record.
        CellValue value;
        switch (read_cell_value(database, cell_address(column, condition), value)) {
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
        edit_in_dialog(row, column, new_record, kind);
        return;
    }

    CellEditor& editor = *cell_editor;
    editor.set_text(text);
    editor.original_text = editor.text();
    editor.row = row;
    editor.column = column;
    editor.rowid = rowid;
    editor.condition = condition;
    editor.new_record = new_record;
    editor.kind = kind;
    editor.active = true;
    show_editor();
}

bool TableGrid::refuse_edit(int column) {
    const char* reason = read_only()                ? kReadOnlyTableText
                         : column_generated(column) ? kGeneratedColumnText
                                                    : nullptr;
    if (!reason) {
        return false;
    }
    show_message_box(hwnd(), reason, kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
    return true;
}

void TableGrid::edit_in_dialog(int row, int column, bool new_record, ValueKind kind) {
    TextEditDialog dialog;
    dialog.database = database;
    dialog.table_name = table_name;
    dialog.column_name = column_exact_name(column);
    dialog.rowid_name = rowid_name_;
    dialog.record_condition = record_condition(row);
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
    const int written_row = update_cell(row, column, record_condition(row), kind, value);
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
            // The condition taken when the edit began still finds the record after
            // a reload in between.
            std::string condition = editor.condition;
            const int row =
                update_cell(editor.row, column, editor.condition, editor.kind, text, &condition);
            written = row >= 0;
            if (written) {
                // The next column and the delete command go by the record's new place.
                editor.row = row;
                editor.condition = condition;
                if (shape_.identity == RecordIdentity::rowid) {
                    editor.rowid = parse_rowid(cell_text(row, 0).c_str());
                }
                set_cell_text(row, column, text.c_str());
            }
        }
    }
    // Enter walks on to the next column that can be written, past generated ones.
    int next = column + 1;
    while (next <= column_count() && column_generated(next)) {
        ++next;
    }
    if (move_next && written && next <= column_count()) {
        begin_cell_edit(next);
    }
    if (move_next) {
        UpdateWindow(hwnd());
    }
}

int TableGrid::update_cell(int row,
                           int column,
                           const std::string& condition,
                           ValueKind previous,
                           const std::string& value,
                           std::string* new_condition) {
    std::string utf8_value;
    if (!database || condition.empty() || column < 1 || column > column_count() ||
        value.size() > kLongestWrittenValue || !convert_whole(value, true, utf8_value)) {
        return -1;
    }
    const std::string literal =
        column_literal(shape_, static_cast<std::size_t>(column - 1),
                       value_literal(utf8_value, previous, column_has_type(column)));
    // A key column's new value moves the record in a table without row ids: its
    // key is taken before the write.
    std::vector<std::string> key;
    if (is_key_column(column)) {
        const int current = row_of_condition(condition);
        key = row_key(current >= 0 ? current : row);
    }
    const WriteResult result =
        update_cell_value(database, cell_address(column, condition), literal);
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
    if (shape_.identity != RecordIdentity::rowid) {
        if (key.empty()) {
            if (new_condition) {
                *new_condition = condition;
            }
            return row;
        }
        const std::vector<std::size_t> key_columns = shape_.key_columns();
        for (std::size_t i = 0; i < key_columns.size() && i < key.size(); ++i) {
            if (key_columns[i] == static_cast<std::size_t>(column - 1)) {
                key[i] = literal;
            }
        }
        // The record moves to its new place in the order of keys.
        const int moved = show_keyed_record(key);
        if (new_condition) {
            *new_condition = moved >= 0 ? record_condition(moved) : std::string();
        }
        return moved;
    }
    const std::string after = ::record_condition(shape_, {format_rowid(result.rowid)});
    if (new_condition) {
        *new_condition = after;
    }
    if (after == condition) {
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
    std::string utf8_value;
    if (!convert_whole(value, true, utf8_value)) {
        return false;
    }
    const std::size_t edited = static_cast<std::size_t>(column - 1);
    std::vector<std::string> literals =
        blank_row_literals(shape_, edited, utf8_value, rowid_alias_column_);
    if (literals[edited].rfind("CAST(", 0) != 0) {
        // A number typed into a column without a declared type stays a number.
        literals[edited] = value_literal(utf8_value, ValueKind::unknown, column_has_type(column));
    }
    if (exec_utf8(database, insert_literals_sql(table_name, shape_, literals)) != SQLITE_OK) {
        report_sql_error(hwnd(), kInsertFailedText, database);
        return false;
    }
    // A trigger may have dropped the record; the last rowid is then another one's.
    if (sqlite3_changes(database) == 0) {
        show_message_box(hwnd(), kNotAddedText, kInputErrorCaption, MB_OK | MB_ICONINFORMATION);
        reload_page(0);
        return true;
    }
    if (shape_.identity == RecordIdentity::primary_key) {
        std::vector<std::string> key;
        for (std::size_t index : shape_.key_columns()) {
            key.push_back(literals[index]);
        }
        const int row = show_keyed_record(key);
        if (new_row) {
            *new_row = row;
        }
        return true;
    }
    const RowId rowid = sqlite3_last_insert_rowid(database);
    if (row_count() > kPageSize) {
        ++page_index;
    }
    reload_page(rowid);
    if (new_row) {
        *new_row = row_of_record(rowid);
    }
    return true;
}

bool TableGrid::is_key_column(int column) const {
    return shape_.identity == RecordIdentity::primary_key && column >= 1 &&
           column <= static_cast<int>(shape_.columns.size()) &&
           shape_.columns[static_cast<std::size_t>(column - 1)].key_position > 0;
}

int TableGrid::show_keyed_record(const std::vector<std::string>& key_literals) {
    // The literals are what was written; the record holds them as its columns'
    // affinities made them, so its key is read back before it is looked for.
    std::vector<std::string> key;
    ResultTable stored;
    const std::string condition = ::record_condition(shape_, key_literals);
    if (!condition.empty() &&
        stored.run(database, identity_of_sql(table_name, shape_, condition)) &&
        stored.rows() == 1) {
        for (int field = 0; field < stored.columns(); ++field) {
            const char* literal = stored.value(0, field);
            key.push_back(literal ? literal : "");
        }
    }
    ResultTable before;
    if (!key.empty() && before.run(database, records_before_key_sql(table_name, shape_, key)) &&
        before.rows() == 1) {
        const std::int64_t page = parse_rowid(before.value(0, 0)) / kPageSize;
        page_index = page < INT_MAX ? static_cast<int>(page) : INT_MAX;
    }
    const std::string found = ::record_condition(shape_, key);
    RedrawOff redraw(hwnd());
    remove_all_rows();
    load_columns();
    load_rows(0, found);
    const std::int64_t count = count_rows();
    add_blank_row(count);
    if (on_page_reloaded) {
        on_page_reloaded(page_index, count);
    }
    const int row = row_of_condition(found);
    if (row >= 0) {
        ensure_visible(row);
    }
    return row;
}
