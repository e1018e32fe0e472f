#include "grid/record_deletion.h"

#include <algorithm>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/cell_editor.h"
#include "grid/grid_statements.h"
#include "grid/record_statements.h"
#include "grid/table_grid.h"
#include "win/message_box.h"

namespace {

constexpr const char kReadOnlyDeleteText[] =
    "このテーブルはレコードを特定できないため、削除できません。レコードはそのまま残っています。";
constexpr const char kDeleteCaption[] = "レコード削除";

}  // namespace

bool delete_record(TableGrid& grid, RowId rowid) {
    return delete_record_where(grid, grid.rowid_name() + " = " + std::to_string(rowid));
}

bool delete_record_where(TableGrid& grid, const std::string& condition) {
    if (!grid.database || condition.empty()) {
        return false;
    }
    if (exec_utf8(grid.database, delete_where_sql(grid.table_name, condition)) != SQLITE_OK) {
        report_sql_error(grid.hwnd(), kDeleteFailedText, grid.database);
        return false;
    }
    // The record and the blank row were all the page held: show the one before.
    if (grid.row_count() <= 2) {
        grid.page_index = std::max(0, grid.page_index - 1);
    }
    grid.reload_page(0);
    return true;
}

void delete_selected_record(TableGrid& grid) {
    const int row = grid.selected_row();
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
    if (!grid.is_blank_row(row)) {
        CellEditor* editor = grid.cell_editor;
        if (editor && editor->active) {
            // The key reached the command before the editor. An edit of the record
            // is written first rather than left over a reloaded page.
            if (editor->new_record) {
                editor->abandon();
            } else {
                grid.commit_cell_edit(false);
            }
        }
        delete_record_where(grid, grid.record_condition(row));
    }
    grid.select_row(row);
    grid.ensure_visible(row);
}
