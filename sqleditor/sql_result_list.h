#pragma once

#include <windows.h>
#include <commctrl.h>

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "sqleditor/sql_execution.h"
#include "win/dpi.h"
#include "win/message_map.h"
#include "win/window_subclass.h"

// The SQL editor's result list: the numbered rows a run returned, or one line with
// the database's message, and under them the notes on the run (rows not kept, a
// stop, an open transaction). It is a virtual list: the result stays with the list
// and each cell's text is made when the list shows it, so the first rows of a
// large result show while the run goes on.
class SqlResultList : public WindowSubclass {
public:
    // Images of the list, in this order.
    enum Image { image_row = 0, image_error = 1, image_message = 2 };

    // Binds the list view and gives it its images (in the sizes of `dpi`) and
    // full-row selection.
    bool setup(HWND list, int dpi);
    // The list moved to a monitor of another DPI: images of the new size, the
    // columns' widths in proportion.
    void change_dpi(int dpi);

    // What the list shows while a run goes on: the previous outcome goes.
    void show_running();
    // Columns and rows of a result that is still arriving, shown as they come.
    void show_arriving_rows(const SqlRows& rows);
    // The outcome of a run, with a line under it saying how the run cut the history
    // of changes (null: it cut nothing).
    void show_outcome(SqlOutcome outcome, const char* history_note);

    // One column with the header (the program's) and one line with the text
    // (UTF-8: it may quote the database's words) and image.
    void show_sql_message(const char* header, Image image, const std::string& utf8_text);

    // Columns inserted for the present outcome.
    int column_count() const { return column_count_; }
    // The list row of the last note (the one saying that a transaction is still
    // open, when there is one), -1 when the list has none.
    int note_row() const {
        return notes_.empty() ? -1 : first_note_row_ + static_cast<int>(notes_.size()) - 1;
    }
    // The rows the list shows, and the rows the run returned.
    int rows_shown() const { return table_ ? table_->rows() : 0; }

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<SqlResultList> message_map_[];

    LRESULT on_destroy(WPARAM, LPARAM);
    LRESULT on_get_display_info(WPARAM, LPARAM);
    LRESULT on_custom_draw(WPARAM, LPARAM);

    void show_rows(std::unique_ptr<SqlRows> table);
    void remove_columns();
    // The row-number column, wide enough for `rows`, and `columns` value columns.
    void insert_result_columns(int columns, int rows);
    int row_number_width(int rows) const;
    // Adds a line with a note (the program's own text) after what the list shows.
    void add_note(const std::string& ansi_text, Image image);
    // What a row shows: the text of a cell and the row's image.
    std::wstring item_text(int row, int column) const;
    int item_image(int row) const;

    // Gives the list images of the sizes of its DPI.
    void set_images();

    int dpi_ = kDefaultDpi;
    int column_count_ = 0;
    std::unique_ptr<SqlRows> table_;
    // The rows of the run under way, shown before it ends.
    const SqlRows* arriving_ = nullptr;
    std::wstring message_;
    Image message_image_ = image_message;
    struct Note {
        std::wstring text;
        Image image;
    };
    std::vector<Note> notes_;
    int first_note_row_ = -1;
};
