#pragma once

#include <windows.h>
#include <commctrl.h>

#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "db/paging.h"
#include "db/sql_text.h"
#include "db/table_shape.h"
#include "grid/cell_file.h"
#include "page/cell_value.h"
#include "page/table_page.h"
#include "win/dpi.h"
#include "win/gdi_handles.h"
#include "win/message_map.h"
#include "win/redraw_off.h"
#include "win/window_subclass.h"

class CellEditor;
class ChangeHistory;
struct EditedCell;

// The list view of the main window, showing the page of a table that its
// TablePage holds: the RowID column, one column per table column, the records of
// the page and, on the last page, the blank row "*" for a new record. The list
// keeps no text of its own; it asks for the cells it draws.
class TableGrid : public WindowSubclass {
public:
    // At 96 DPI; the grid scales it to its own. It reads a label of five digits
    // (kNarrowestRowLabel) whole, and grows for a page with longer ones.
    static constexpr int kRowIdColumnWidth = 60;
    static constexpr const char kNarrowestRowLabel[] = "00000";

    // Told each time the grid shows a page, so that the page label and the paging
    // buttons describe the rows on screen; `read_whole` is false when the page
    // could not be read (it then shows no row and its label "-").
    std::function<void(const PageView& view, bool read_whole)> on_page_shown;

    // The in-place editor over the grid, and the history of the open database,
    // of which each write of the grid is one step: the main window's, lent for
    // the grid's life.
    TableGrid(CellEditor& cell_editor, ChangeHistory& change_history);
    // Shows the cell menu at a screen point and gives back the command chosen (0
    // for none); empty: the system's popup menu. Tests answer it without a menu
    // loop.
    std::function<UINT(HMENU popup, POINT at)> choose_from_menu;

    // The DPI of the window the grid is in: its lengths are scaled to it.
    int dpi() const { return dpi_; }
    void set_dpi(int dpi) { dpi_ = dpi; }
    // A move to a monitor of another DPI. Before the list is scaled: the columns
    // get widths in proportion to those they have (dragged by the user or not),
    // and the sizes on the way do not give them new ones. After the list has its
    // new font and size: the header texts are measured again and the in-place
    // editor laid over its cell again.
    void begin_dpi_change(int dpi);
    void end_dpi_change();

    CellEditor& cell_editor() { return cell_editor_; }
    ChangeHistory& change_history() { return change_history_; }
    HBRUSH editor_brush() const { return editor_brush_.get(); }

    // The table and the page shown. Only show() reads pages.
    const TablePage& page() const { return page_; }

    // The one way a page reaches the screen: reads what the request asks for
    // (opening its table when it is another), watches the reads and shows the
    // page, or says why it could not. The list row of the record the request
    // selects, or -1.
    int show(const PageRequest& request);
    // A request for the table and records on screen, the page found as `place` says.
    PageRequest request_here(PageRequest::Place place) const;

    // Told when the columns moved on the screen (scrolled, resized, rebuilt).
    std::function<void()> on_columns_moved;
    // Where list column c stands, left and right in `other`'s client coordinates,
    // within the part of the list that can be seen; false when none of it can.
    bool column_edges(int column, HWND other, int& left, int& right) const;
    // Shows the records that the filters typed for the columns (UTF-8, one per
    // column) let through, from the first page. 0 when they are shown; otherwise
    // the column (from 1) whose filter cannot be understood, and nothing changes.
    // `asked`: the user wants to hear why; `folded`: texts match without regard
    // to how Japanese is written (full or half width, kana, case). `overtaken`:
    // see PageRequest.
    int apply_filters(const std::vector<std::string>& typed,
                      bool asked,
                      bool folded,
                      const bool* overtaken = nullptr);
    // Sorts as a click on data column c's header asks (Ctrl: a further key); a
    // click on the first column shows the table's own order again.
    void sort_by_click(int column, bool further_key);
    // Opens the table named exactly `table` (UTF-8) and gives the list its
    // columns. False, with no table shown, when its columns cannot be read.
    bool open_table(sqlite3* db, const std::string& table);
    // Shows nothing and forgets the table and the connection (a closed or changed
    // database).
    void clear();

    int column_count() const { return page_.column_count(); }
    // The name (UTF-8) of list column c (1 to column_count()).
    const std::string& column_name(int column) const { return shape_column(column).name; }
    // Whether list column c has a declared type (without one, a column keeps
    // whatever kind of value it is given).
    bool column_has_type(int column) const { return !shape_column(column).type.empty(); }
    // The exact (UTF-8) name of list column c, for statements.
    const std::string& column_exact_name(int column) const { return shape_column(column).name; }
    bool column_generated(int column) const { return shape_column(column).generated; }
    const TableShape& shape() const { return page_.shape(); }
    bool read_only() const { return page_.read_only(); }
    std::string record_condition(int row) const { return page_.record_condition(row); }
    int row_of_condition(const std::string& condition) const {
        return page_.row_of_condition(condition);
    }
    int row_of_record(RowId rowid) const { return page_.row_of_record(rowid); }
    int blank_row() const { return page_.blank_row(); }
    bool is_blank_row(int row) const { return page_.is_blank_row(row); }
    int row_count() const { return page_.row_count(); }
    const std::string& cell_text(int row, int column) const { return page_.cell_text(row, column); }
    // Puts a text into a cell of the page and redraws it; a cell shows at most
    // kCellShownBytes bytes of it.
    void set_cell_text(int row, int column, const char* text);

    // The equal share of the list view's present width for each of `columns` data
    // columns. A column whose share is too narrow to read is made wider, and the
    // list scrolls sideways.
    int data_column_width(int columns) const;
    int selected_row() const;
    void select_row(int row);
    void ensure_visible(int row);
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

    // The column the cell commands act on: the one last clicked, else the first.
    int command_column() const;
    // Where the value of a record's cell lives, for reading or writing it whole.
    CellFileTarget cell_target(int row, int column) const;
    // Refuses, with a word to the user, a write into the cell that the table or
    // column does not take (see CellEdit::refuse).
    bool refuse_cell_write(int row, int column);
    // Shows the cell's value in the viewer; a record gone meanwhile is told.
    void view_cell(int row, int column);

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    // Puts the page as it stands into the list, `select` selected (or the first
    // row), and tells on_page_shown.
    void show_rows(int select);
    // Empties the list and leaves the table open: what a page that could not be
    // read whole shows.
    void show_no_rows();
    // Widens the first column to the widest row label of the page.
    void fit_row_label_column();

    // The grid's outer width when the data columns were last given their width.
    int sized_width_ = -1;
    int dpi_ = kDefaultDpi;
    // The column widths for the new DPI while it changes; empty otherwise.
    std::vector<int> rescaled_widths_;
    bool changing_dpi_ = false;
    // What each data column's header needs beside its text.
    int header_margins() const;
    static const MessageEntry<TableGrid> message_map_[];

    LRESULT on_size(WPARAM, LPARAM);
    LRESULT on_key_down(WPARAM, LPARAM);
    LRESULT on_get_dlg_code(WPARAM, LPARAM);
    LRESULT on_vertical_scroll(WPARAM, LPARAM);
    LRESULT on_horizontal_scroll(WPARAM, LPARAM);
    LRESULT on_mouse_wheel(WPARAM, LPARAM);
    LRESULT on_mouse_horizontal_wheel(WPARAM, LPARAM);
    LRESULT on_ctl_color_edit(WPARAM, LPARAM);
    LRESULT on_cell_edit_enter(WPARAM, LPARAM);
    LRESULT on_cell_edit_kill_focus(WPARAM, LPARAM);
    LRESULT on_double_click(WPARAM, LPARAM);
    LRESULT on_click(WPARAM, LPARAM);
    LRESULT on_context_menu(WPARAM, LPARAM);
    // The data column (1 to column_count()) at a point in client coordinates, or 0.
    int column_at(POINT point) const;
    LRESULT on_delete_all_items(WPARAM, LPARAM);
    LRESULT on_get_display_info(WPARAM, LPARAM);
    LRESULT on_custom_draw(WPARAM, LPARAM);
    LRESULT on_find_item(WPARAM, LPARAM);
    LRESULT on_column_click(WPARAM, LPARAM);
    LRESULT on_notify(WPARAM, LPARAM);
    // Shows other records of the table from its first page; when the database
    // refuses them, says why in one line and shows the records before again.
    bool show_records(const RecordView& records, const bool* overtaken = nullptr);
    // The header's marks of the sort: direction and, with several keys, rank.
    void show_sort_marks();
    void tell_columns_moved();
    // The row from `start` on whose column 0 is or begins with `wanted` (LVFI_ flags), or -1.
    int find_row(const std::wstring& wanted, UINT flags, int start) const;

    // The page as an edit reaches it.
    friend class GridEditTarget;

    // Column c of the table (1 to column_count()); an empty one outside them.
    const ShapeColumn& shape_column(int column) const;
    // The list's columns for the open table.
    void show_columns();
    void remove_all_columns();
    // The widths the data columns get for the list view's present width.
    std::vector<int> data_column_widths() const;
    void set_data_column_widths();
    void set_column_width(int column, int width);
    // Starts an edit; `input_pending` when the click or key that asked for it may
    // still have messages waiting.
    void open_cell_edit(int column, bool input_pending);
    // Lays the editor over a cell (it stays hidden).
    void place_editor(int row, int column);
    void show_editor(bool input_pending);
    void hide_editor_if_moved();
    void edit_in_dialog(const EditedCell& cell);

    CellEditor& cell_editor_;
    ChangeHistory& change_history_;
    // The background of the in-place editor.
    BrushHandle editor_brush_;
    TablePage page_;
    // What each data column's header needs to be read whole, in pixels.
    std::vector<int> header_widths_;
    // The header texts of the list's columns, column 0 first.
    std::vector<std::string> shown_headers_;
    // The sort the header shows.
    std::vector<OrderKey> marked_order_;
    int list_columns_ = 0;
    // The columns were just given their widths, and no page has been shown in them.
    bool columns_fresh_ = false;
    // The column last clicked, for the cell commands.
    int clicked_column_ = 0;
};
