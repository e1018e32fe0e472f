#include "grid/table_grid.h"

#include <commctrl.h>

#include <algorithm>

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/cell_editor.h"
#include "grid/sql_error_report.h"
#include "grid/text_edit_dialog.h"
#include "grid/value_viewer.h"
#include "history/change_history.h"
#include "page/cell_edit.h"
#include "win/dialog.h"
#include "win/message_box.h"

namespace {

constexpr const char kTooLongText[] = "入力文字数が長すぎます。";
// The caption of what a cell edit tells the user (the structure editor's messages
// say "エラー" instead).
constexpr const char kCellInputErrorCaption[] = "入力エラー";
constexpr const char kBinaryText[] = "この値はバイナリ データ（BLOB）のため編集できません。";
constexpr const char kUnrepresentableText[] =
    "この値には文字として読めないバイトか NUL 文字が含まれるため、編集できません。";
constexpr const char kHalfCharacterText[] =
    "入力に不完全な文字（サロゲート ペアの片方）が含まれているため、書き込みませんでした。"
    "何も変更していません。";
constexpr const char kRecordMissingText[] =
    "レコードが見つからないか、変更されませんでした。表示を読み直します。";
constexpr const char kNotAddedText[] = "レコードは追加されませんでした。表示を読み直します。";

constexpr const char kGeneratedColumnText[] =
    "この列の値は他の列から計算される（GENERATED）ため、編集できません。";
constexpr const char kReadOnlyTableText[] =
    "このテーブルはレコードを特定できないため、表示のみとなります。変更はできません。";
constexpr const char kViewNotUpdatedText[] =
    "このビューにはこの列を更新する INSTEAD OF UPDATE トリガーがないため、変更できません。";
constexpr const char kViewNotInsertedText[] =
    "このビューには INSTEAD OF INSERT トリガーがないため、レコードを追加できません。";
constexpr const char kSeveralRecordsText[] =
    "ビューに同じ値のレコードが複数あるため、どのレコードか特定できません。何も変更していません。";

bool control_key_down() {
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

}  // namespace

// The grid's page, for the edit in progress.
class GridEditTarget final : public EditTarget {
public:
    explicit GridEditTarget(TableGrid& grid) : grid_(grid) {}

    sqlite3* edited_database() const override { return grid_.page().database(); }
    const std::string& edited_table() const override { return grid_.page().table(); }
    const TableShape& shape() const override { return grid_.shape(); }
    std::string record_condition(int row) const override { return grid_.record_condition(row); }
    int row_of_condition(const std::string& condition) const override {
        return grid_.row_of_condition(condition);
    }
    bool is_blank_row(int row) const override { return grid_.is_blank_row(row); }
    std::string cell_text(int row, int column) const override {
        return grid_.cell_text(row, column);
    }

    void show_cell_text(int row, int column, const std::string& text) override {
        grid_.set_cell_text(row, column, text.c_str());
    }
    int show_record(RowId rowid) override {
        PageRequest request = shown_page();
        request.rowid = rowid;
        return grid_.show(request);
    }
    int show_added_record(RowId rowid) override {
        PageRequest request = shown_page();
        request.place = PageRequest::Place::added_record;
        request.rowid = rowid;
        return grid_.show(request);
    }
    int show_keyed_record(const std::vector<std::string>& key_literals) override {
        PageRequest request = shown_page();
        request.place = PageRequest::Place::keyed_record;
        request.key_literals = key_literals;
        return shown_in_view(grid_.show(request));
    }
    void report_record_missing(int row) override { grid_.report_record_missing(row); }
    void tell(EditNotice notice) override;
    void tell_failed(EditNotice notice, const std::string& message) override {
        show_message_box_utf8(
            grid_.hwnd(),
            sql_error_text(
                notice == EditNotice::insert_failed ? kInsertFailedText : kUpdateFailedText,
                message),
            kSqlErrorCaption, MB_OK | MB_ICONINFORMATION);
    }
    int show_found_record(const std::string& condition) override {
        PageRequest request = shown_page();
        request.condition = condition;
        return shown_in_view(grid_.show(request));
    }
    void hide_editor() override { grid_.cell_editor_.hide(); }

private:
    // The page on screen, read again.
    PageRequest shown_page() const { return grid_.request_here(PageRequest::Place::shown_page); }
    int shown_in_view(int row) {
        if (row >= 0) {
            grid_.ensure_visible(row);
        }
        return row;
    }

    TableGrid& grid_;
};

void GridEditTarget::tell(EditNotice notice) {
    const char* text = nullptr;
    switch (notice) {
        case EditNotice::update_failed:
            report_sql_error(grid_.hwnd(), kUpdateFailedText, grid_.page().database());
            return;
        case EditNotice::insert_failed:
            report_sql_error(grid_.hwnd(), kInsertFailedText, grid_.page().database());
            return;
        case EditNotice::too_long:
            text = kTooLongText;
            break;
        case EditNotice::binary:
            text = kBinaryText;
            break;
        case EditNotice::unrepresentable:
            text = kUnrepresentableText;
            break;
        case EditNotice::half_character:
            text = kHalfCharacterText;
            break;
        case EditNotice::read_only_table:
            text = kReadOnlyTableText;
            break;
        case EditNotice::generated_column:
            text = kGeneratedColumnText;
            break;
        case EditNotice::not_added:
            text = kNotAddedText;
            break;
        case EditNotice::view_not_updated:
            text = kViewNotUpdatedText;
            break;
        case EditNotice::view_not_inserted:
            text = kViewNotInsertedText;
            break;
        case EditNotice::several_records:
            text = kSeveralRecordsText;
            break;
    }
    show_message_box(grid_.hwnd(), text, kCellInputErrorCaption, MB_OK | MB_ICONINFORMATION);
}

void TableGrid::place_editor(int row, int column) {
    RECT cell;
    cell_rect(row, column, cell);
    HWND editor = cell_editor_.hwnd();
    SendMessageA(editor, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELONG(scale_for_dpi(3, dpi_), scale_for_dpi(5, dpi_)));
    MoveWindow(editor, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, TRUE);
}

void TableGrid::show_editor(bool input_pending) {
    HWND editor = cell_editor_.hwnd();
    ShowWindow(editor, SW_SHOW);
    if (input_pending) {
        // What is left of the click or key that started the edit goes first, so
        // that it does not take the focus away again.
        drain_message_queue();
        if (!cell_editor_.edit().active()) {
            return;
        }
    }
    SetFocus(editor);
    SendMessageA(editor, EM_SETSEL, 0, -1);
    SendMessageA(editor, EM_SCROLLCARET, 0, 0);
    UpdateWindow(editor);
}

void TableGrid::begin_cell_edit(int column) {
    open_cell_edit(column, true);
}

void TableGrid::open_cell_edit(int column, bool input_pending) {
    if (!cell_editor_.hwnd() || column < 1 || column > column_count()) {
        return;
    }
    if (cell_editor_.edit().active()) {
        // An edit left open (hidden by scrolling) is written before another starts.
        commit_cell_edit(false);
    }
    const int row = selected_row();
    GridEditTarget target(*this);
    if (row < 0 || CellEdit::refuse(target, row, column)) {
        return;
    }
    // After a reload the row may lie outside the visible part of the list, and
    // the next column of a wide table beyond its right edge.
    ensure_visible(row);
    ensure_column_visible(column);
    place_editor(row, column);

    EditedCell cell;
    switch (CellEdit::prepare(target, row, column, control_key_down(), cell)) {
        case EditStart::none:
            return;
        case EditStart::dialog:
            edit_in_dialog(cell);
            return;
        case EditStart::in_place:
            break;
    }
    cell_editor_.set_text(cell.text);
    cell_editor_.edit().open(cell, cell_editor_.text());
    show_editor(input_pending);
}

void TableGrid::edit_in_dialog(const EditedCell& cell) {
    TextEditDialog dialog;
    dialog.database = page_.database();
    dialog.cell.table = page_.table();
    dialog.cell.column = column_exact_name(cell.column);
    dialog.cell.rowid_name = page_.shape().rowid_name;
    dialog.cell.condition = cell.condition;
    dialog.has_record = !cell.new_record;
    if (dialog.run(GetActiveWindow()) != 0 || dialog.text() == dialog.opened_text()) {
        return;
    }
    GridEditTarget target(*this);
    RecordedStep step(&change_history_, ChangeHistory::StepScope::records);
    CellEdit::write_from_dialog(target, cell, dialog.text());
}

void TableGrid::commit_cell_edit(bool move_next) {
    if (!cell_editor_.edit().active()) {
        return;
    }
    GridEditTarget target(*this);
    std::string typed;
    if (!cell_editor_.text(typed)) {
        // Half of a character is never written as another one.
        cell_editor_.abandon();
        target.tell(EditNotice::half_character);
        return;
    }
    RecordedStep step(&change_history_, ChangeHistory::StepScope::records);
    const CommitOutcome outcome = cell_editor_.edit().commit(target, typed, move_next);
    step.finish();
    if (!outcome.finished) {
        return;
    }
    if (outcome.next_column > 0) {
        // The key that ended the edit has been handled in full. What waits in the
        // queue now was typed after it and belongs to the next cell, once that is
        // open with its text selected: dispatching it here would type it into
        // the text the cell had, or commit that text.
        open_cell_edit(outcome.next_column, false);
    }
    if (move_next) {
        UpdateWindow(hwnd());
    }
}

void TableGrid::report_record_missing(int row) {
    show_message_box(hwnd(), kRecordMissingText, kCellInputErrorCaption,
                     MB_OK | MB_ICONINFORMATION);
    show(request_here(PageRequest::Place::shown_page));
    const int rows = row_count();
    if (rows > 0) {
        select_row(std::min(row, rows - 1));
    }
}

void TableGrid::finish_cell_edit() {
    if (cell_editor_.edit().active()) {
        commit_cell_edit(false);
    }
}

int TableGrid::command_column() const {
    return clicked_column_ >= 1 && clicked_column_ <= column_count() ? clicked_column_ : 1;
}

CellFileTarget TableGrid::cell_target(int row, int column) const {
    CellFileTarget target;
    const TableShape& shape = page_.shape();
    target.cell.table = page_.table();
    target.cell.column = column_exact_name(column);
    target.cell.rowid_name = shape.rowid_name;
    target.cell.condition = record_condition(row);
    const RecordIdentity& identity = record_identity(shape);
    target.cell.has_rowid = identity.has_rowid();
    if (target.cell.has_rowid) {
        // Column 0 shows the row id where the record has one.
        target.cell.rowid = identity.rowid({cell_text(row, 0)});
    }
    target.view = shape.is_view;
    return target;
}

bool TableGrid::refuse_cell_write(int row, int column) {
    GridEditTarget target(*this);
    return CellEdit::refuse(target, row, column);
}

void TableGrid::view_cell(int row, int column) {
    if (row < 0 || is_blank_row(row) || column < 1 || column > column_count()) {
        return;
    }
    ValueViewer viewer;
    viewer.database = page_.database();
    viewer.target = cell_target(row, column);
    if (viewer.run(GetActiveWindow()) == ReadOutcome::missing) {
        report_record_missing(row);
    }
}
