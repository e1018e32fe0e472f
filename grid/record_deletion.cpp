#include "grid/record_deletion.h"

#include <algorithm>

#include "db/result_table.h"
#include "db/sql_error.h"
#include "grid/cell_editor.h"
#include "grid/grid_statements.h"
#include "grid/table_grid.h"

bool delete_record(TableGrid& grid, RowId rowid) {
    if (!grid.database) {
        return false;
    }
    if (exec_ansi(grid.database, delete_record_sql(grid.table_name, rowid, grid.rowid_name())) !=
        SQLITE_OK) {
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
        delete_record(grid, parse_rowid(grid.cell_text(row, 0).c_str()));
    }
    grid.select_row(row);
    grid.ensure_visible(row);
}
