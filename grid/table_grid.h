#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "db/paging.h"
#include "db/sql_text.h"
#include "db/table_shape.h"
#include "grid/cell_value.h"
#include "win/message_map.h"
#include "win/redraw_off.h"
#include "win/window_subclass.h"

class CellEditor;
struct EditedCell;

// One page of one table in the main window's list view: the RowID column, one
// column per table column, the records of the page and, on the last page, the
// blank row "*" for a new record.
class TableGrid : public WindowSubclass {
public:
    static constexpr int kPageSize = PageWindow::page_size;
    static constexpr int kRowIdColumnWidth = 60;
    static constexpr const char kBlankRowText[] = "*";

    // Written by the main window before each load. The table's name is its exact
    // name in the database (UTF-8), which every statement uses.
    sqlite3* database = nullptr;
    std::string table_name;
    int page_index = 0;

    // Told the page and the table's row count each time the grid reloads its page
    // by itself (after an insertion or a deletion), so that the page label and the
    // paging buttons describe the rows on screen.
    std::function<void(int page_index, std::int64_t row_count)> on_page_reloaded;

    // Lent by the main window for the in-place editor.
    CellEditor* cell_editor = nullptr;
    HBRUSH editor_brush = nullptr;

    // Column names of the table as shown, column 1 first; whole, in the ANSI code page.
    const std::vector<std::string>& column_names() const { return column_names_; }
    int column_count() const { return static_cast<int>(column_names_.size()); }
    // The name of list column c (1 to column_count()).
    const std::string& column_name(int column) const { return column_names_.at(column - 1); }
    // Whether list column c has a declared type (without one, a column keeps
    // whatever kind of value it is given).
    bool column_has_type(int column) const {
        return column >= 1 && column <= static_cast<int>(shape_.columns.size()) &&
               !shape_.columns[static_cast<std::size_t>(column - 1)].type.empty();
    }
    // The exact (UTF-8) name of list column c, for statements.
    const std::string& column_exact_name(int column) const {
        return shape_.columns.at(column - 1).name;
    }
    bool column_generated(int column) const;
    // The table as the last load read it.
    const TableShape& shape() const { return shape_; }
    // No record of the table can be found again: it is shown, never changed.
    bool read_only() const { return shape_.identity == RecordIdentity::none; }
    // The condition (UTF-8) that finds the record of list row `row`; empty for the
    // blank row and when the table cannot identify a record.
    std::string record_condition(int row) const;
    // The list row of the record that this condition finds, or -1.
    int row_of_condition(const std::string& condition) const;
    // The column that is the table's alias of rowid (INTEGER PRIMARY KEY), 0 for none.
    int rowid_alias_column() const { return rowid_alias_column_; }
    // How statements name the row id of the table shown ("rowid" unless the table
    // has a column of that name).
    const std::string& rowid_name() const { return rowid_name_; }

    void load_columns();
    // Selects the record select_rowid, or in a table without row ids the record
    // that select_condition finds (or the first row).
    void load_rows(RowId select_rowid, const std::string& select_condition = std::string());
    std::int64_t count_rows();
    // Adds the blank row when the page is the table's last.
    void add_blank_row(std::int64_t row_count);
    // Rows, columns, page and blank row again, selecting the record select_rowid
    // (or the first row).
    void reload_page(RowId select_rowid);

    void remove_all_rows();
    void remove_all_columns();
    // Shows nothing and forgets the table and the connection (a closed or changed
    // database).
    void clear();

    // The equal share of the list view's present width for each of `columns` data
    // columns. A column whose share is too narrow to read is made wider, and the
    // list scrolls sideways.
    int data_column_width(int columns) const;
    int row_count() const;
    int selected_row() const;
    // The list row of the blank row, or -1 when the page has none.
    int blank_row() const { return blank_row_; }
    bool is_blank_row(int row) const { return row >= 0 && row == blank_row_; }
    std::string cell_text(int row, int column) const;
    void set_cell_text(int row, int column, const char* text);
    void select_row(int row);
    void ensure_visible(int row);
    // The list row of the record with this rowid, or -1 when it is not on the page.
    int row_of_record(RowId rowid) const;
    // A cell's label rectangle in the list view's client coordinates.
    bool cell_rect(int row, int column, RECT& rect) const;
    // Scrolls the list sideways as little as brings the column into view.
    void ensure_column_visible(int column);

    // Editing (the in-place editor or the text edit dialog) of column c (1 to
    // column_count()) of the selected row.
    void begin_cell_edit(int column);
    // Writes what the in-place editor holds; with move_next, and when the write
    // succeeded, the next column of the row opens.
    void commit_cell_edit(bool move_next);
    // Tells the user that a record was gone or left unchanged and shows the page
    // as the database holds it, with the same list row selected.
    void report_record_missing(int row);
    // Writes what the in-place editor holds, if an edit is open: before the
    // database or the window goes away.
    void finish_cell_edit();

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    // The grid's outer width when the data columns were last given their width.
    int sized_width_ = -1;
    static const MessageEntry<TableGrid> message_map_[];

    LRESULT on_size(WPARAM, LPARAM);
    LRESULT on_key_down(WPARAM, LPARAM);
    LRESULT on_get_dlg_code(WPARAM, LPARAM);
    LRESULT on_vertical_scroll(WPARAM, LPARAM);
    LRESULT on_horizontal_scroll(WPARAM, LPARAM);
    LRESULT on_mouse_wheel(WPARAM, LPARAM);
    LRESULT on_mouse_horizontal_wheel(WPARAM, LPARAM);
    LRESULT on_ctl_color_edit(WPARAM, LPARAM);
    LRESULT on_begin_label_edit(WPARAM, LPARAM);
    LRESULT on_end_label_edit(WPARAM, LPARAM);
    LRESULT on_cell_edit_kill_focus(WPARAM, LPARAM);
    LRESULT on_double_click(WPARAM, LPARAM);
    LRESULT on_item_changed(WPARAM, LPARAM);
    LRESULT on_delete_all_items(WPARAM, LPARAM);
    LRESULT on_get_display_info(WPARAM, LPARAM);
    LRESULT on_find_item(WPARAM, LPARAM);
    // The row from `start` on whose column 0 is or begins with `wanted` (LVFI_ flags), or -1.
    int find_row(const std::string& wanted, UINT flags, int start) const;

    // The page as an edit reaches it.
    friend class GridEditTarget;

    // The widths the data columns get for the list view's present width.
    std::vector<int> data_column_widths() const;
    void set_data_column_widths();
    void set_column_width(int column, int width);
    // Appends a row whose column 0 shows `text` and tells the list its new length.
    void append_row(const char* text);
    void send_begin_edit(int column);
    // Starts an edit; `input_pending` when the click or key that asked for it may
    // still have messages waiting.
    void open_cell_edit(int column, bool input_pending);
    // Lays the editor over a cell (it stays hidden).
    void place_editor(int row, int column);
    void show_editor(bool input_pending);
    void hide_editor_if_moved();
    void edit_in_dialog(const EditedCell& cell);
    // After a key changed or a record was added in a table without row ids: shows
    // the page that holds the record with these key literals, selected. Its list
    // row, or -1 when it cannot be found.
    int show_keyed_record(const std::vector<std::string>& key_literals);

    std::vector<std::string> column_names_;
    // What each data column's header needs to be read whole, in pixels.
    std::vector<int> header_widths_;
    // The header texts of the list's columns, column 0 first.
    std::vector<std::string> shown_headers_;
    // What each cell of the page shows, row by row (column 0 first). The list view
    // keeps no text of its own: it asks for the cells it draws, so that a page of
    // 1,000 records is shown without handing it 9,000 texts one message at a time.
    std::vector<std::vector<std::string>> rows_;
    TableShape shape_;
    // The identifying fields of each record row, for tables keyed by their primary key.
    std::vector<std::vector<std::string>> row_keys_;
    int rowid_alias_column_ = 0;
    std::string rowid_name_ = "rowid";
    int list_columns_ = 0;
    int blank_row_ = -1;
};
