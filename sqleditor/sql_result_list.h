#pragma once

#include <windows.h>
#include <commctrl.h>

#include <sqlite3.h>

#include <memory>
#include <string>

#include "sqleditor/sql_execution.h"
#include "win/window_subclass.h"

// The SQL editor's result list: the numbered rows a run returned, or one line with
// the database's message. It is a virtual list: the result stays with the list and
// each cell's text is made when the list shows it, so a large result is listed as
// fast as the database returns it.
class SqlResultList : public WindowSubclass {
public:
    // Images of the list, in this order.
    enum Image { image_row = 0, image_error = 1, image_message = 2 };

    // Binds the list view and gives it its images and full-row selection.
    bool setup(HWND list);

    // Runs the text on the database and shows the outcome; the previous outcome
    // goes.
    void run_sql_text(sqlite3* db, const char* ansi_text);

    // One column with the header and one line with the text and image.
    void show_sql_message(const char* header, Image image, const std::string& text);

    // Columns inserted for the present outcome.
    int column_count() const { return column_count_; }
    // The list row of the line saying that a transaction is still open, -1 when
    // the list has none.
    int note_row() const { return note_.empty() ? -1 : note_row_; }

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void show_rows(std::unique_ptr<ResultTable> table);
    void remove_columns();
    int row_number_width(int rows) const;
    // Adds the line with the note after what the list shows.
    void add_note(const char* text);
    // Width of the list inside its border and vertical scroll bar.
    void fill_item(LVITEMA& item) const;

    int column_count_ = 0;
    std::unique_ptr<ResultTable> table_;
    std::string message_;
    Image message_image_ = image_message;
    std::string note_;
    int note_row_ = -1;
};
