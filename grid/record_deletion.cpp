#include "grid/record_deletion.h"

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/cell_editor.h"
#include "grid/sql_error_report.h"
#include "grid/table_grid.h"
#include "history/change_history.h"
#include "page/record_statements.h"
#include "win/message_box.h"

namespace {

constexpr const char kNotDeletedText[] =
    "レコードが見つからないため、削除されませんでした。表示を読み直します。";
constexpr const char kReadOnlyDeleteText[] =
    "このテーブルはレコードを特定できないため、削除できません。レコードはそのまま残っています。";
constexpr const char kViewNotDeletedText[] =
    "このビューには INSTEAD OF DELETE "
    "トリガーがないため、削除できません。レコードはそのまま残っています。";
constexpr const char kSeveralDeletedText[] =
    "ビューに同じ値のレコードが複数あるため、どのレコードか特定できません。何も削除していません。";
constexpr const char kDeleteCaption[] = "レコード削除";

}  // namespace

bool delete_record_where(TableGrid& grid, const std::string& condition) {
    const TablePage& page = grid.page();
    if (!page.database() || condition.empty()) {
        return false;
    }
    std::string message;
    // Ends after the report: its own statements would overwrite the database's
    // message about a failure.
    RecordedStep step(&grid.change_history(), ChangeHistory::StepScope::records);
    // Where one condition may find several records (a view's, by its values) the
    // records are counted first: SQLite counts nothing a view's trigger does in
    // its place.
    const bool counted = record_identity(page.shape()).may_find_several();
    const WriteOutcome outcome =
        counted ? write_through_view(page.database(), page.table(), condition,
                                     delete_where_sql(page.table(), condition), message)
                : delete_record_where(page.database(), page.table(), condition);
    switch (outcome) {
        case WriteOutcome::failed:
            if (counted) {
                show_message_box_utf8(grid.hwnd(), sql_error_text(kDeleteFailedText, message),
                                      kSqlErrorCaption, MB_OK | MB_ICONINFORMATION);
            } else {
                report_sql_error(grid.hwnd(), kDeleteFailedText, page.database());
            }
            return false;
        case WriteOutcome::several:
            show_message_box(grid.hwnd(), kSeveralDeletedText, kDeleteCaption,
                             MB_OK | MB_ICONINFORMATION);
            return false;
        case WriteOutcome::no_record:
            // Gone already (another program), or kept by a trigger: the page shows
            // what is there.
            show_message_box(grid.hwnd(), kNotDeletedText, kDeleteCaption,
                             MB_OK | MB_ICONINFORMATION);
            break;
        case WriteOutcome::written:
            break;
    }
    grid.show(grid.request_here(PageRequest::Place::after_deletion));
    return true;
}

void delete_selected_record(TableGrid& grid) {
    int row = grid.selected_row();
    if (row < 0) {
        return;
    }
    // The blank row stands for no record: there is nothing to delete, and an
    // edit of it stays open.
    if (grid.read_only()) {
        show_message_box(grid.hwnd(), kReadOnlyDeleteText, kDeleteCaption,
                         MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (grid.page().shape().is_view && !grid.page().shape().view_deletes &&
        !grid.is_blank_row(row)) {
        show_message_box(grid.hwnd(), kViewNotDeletedText, kDeleteCaption,
                         MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!grid.is_blank_row(row)) {
        std::string condition = grid.record_condition(row);
        CellEditor* editor = &grid.cell_editor();
        if (editor->edit().active()) {
            // The key reached the command before the editor. An edit of the record
            // is written first rather than left over a reloaded page.
            if (editor->edit().cell().new_record) {
                editor->abandon();
            } else {
                const bool same_record = editor->edit().cell().condition == condition;
                grid.commit_cell_edit(false);
                // The write may have given the record a new key and reloaded the
                // page: delete the record the user chose, wherever it is now.
                if (same_record) {
                    condition = editor->edit().cell().condition;
                }
                row = grid.row_of_condition(condition);
                if (row < 0) {
                    return;
                }
            }
        }
        delete_record_where(grid, condition);
    }
    grid.select_row(row);
    grid.ensure_visible(row);
}
