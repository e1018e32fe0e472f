#include "sqleditor/sql_result_list.h"

#include <commctrl.h>

#include <algorithm>

#include "db/result_table.h"
#include "res/resource.h"
#include "win/dialog.h"
#include "win/gdi_handles.h"
#include "win/list_view.h"
#include "win/message_map.h"
#include "win/redraw_off.h"
#include "win/wide_text.h"

const MessageEntry<SqlResultList> SqlResultList::message_map_[] = {
    on_message(WM_DESTROY, &SqlResultList::on_destroy),
    on_reflected_notify(LVN_GETDISPINFOA, &SqlResultList::on_get_display_info),
    on_reflected_notify(LVN_GETDISPINFOW, &SqlResultList::on_get_display_info_wide),
};

bool SqlResultList::setup(HWND list, int dpi) {
    if (!attach(list)) {
        return false;
    }
    dpi_ = dpi;
    set_images();
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    return true;
}

void SqlResultList::set_images() {
    const int size = scale_for_dpi(16, dpi_);
    ImageListHandle images(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 4, 0));
    if (!images) {
        return;
    }
    ImageList_SetBkColor(images.get(), RGB(255, 255, 255));
    // The order makes the indexes of Image.
    for (int id : {IDI_RECORD, IDI_SQL_ERROR, IDI_SQL_MESSAGE}) {
        const IconHandle icon(load_icon(id, size));
        ImageList_ReplaceIcon(images.get(), -1, icon.get());
    }
    // From here on the list owns the images; the ones it had before are its to
    // give back no longer.
    const ImageListHandle before(reinterpret_cast<HIMAGELIST>(SendMessageA(
        hwnd(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.release()))));
}

void SqlResultList::change_dpi(int dpi) {
    const int old_dpi = dpi_;
    dpi_ = dpi;
    set_images();
    scale_list_columns(hwnd(), old_dpi, dpi);
}

void SqlResultList::show_running() {
    {
        RedrawOff redraw(hwnd());
        // No row may ask for a cell of a result that is about to go.
        SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
        table_.reset();
        arriving_ = nullptr;
        show_sql_message(kSqlMessageHeader, image_message, kSqlRunningText);
    }
    UpdateWindow(hwnd());
}

void SqlResultList::show_outcome(SqlOutcome outcome, const char* history_note) {
    arriving_ = nullptr;
    RedrawOff redraw(hwnd());
    switch (outcome.kind) {
        case SqlOutcome::Kind::rows:
            show_rows(std::move(outcome.table));
            break;
        case SqlOutcome::Kind::message:
            show_sql_message(kSqlMessageHeader, image_message, outcome.message);
            break;
        case SqlOutcome::Kind::error:
            show_sql_message(kSqlErrorHeader, image_error, outcome.message);
            break;
    }
    if (table_) {
        const std::string shown = std::to_string(table_->rows());
        if (outcome.interrupted) {
            add_note("interrupted: " + std::string(kSqlStoppedText1) + shown + kSqlStoppedText2,
                     image_error);
        } else if (!table_->complete()) {
            add_note(kSqlNotAllKeptText1 + std::to_string(table_->rows_returned()) +
                         kSqlNotAllKeptText2 + shown + kSqlNotAllKeptText3,
                     image_message);
        }
    }
    if (history_note) {
        add_note(history_note, image_message);
    }
    if (outcome.transaction_open) {
        add_note(kSqlTransactionOpenText, image_message);
    }
}

void SqlResultList::show_arriving_rows(const SqlRows& rows) {
    if (rows.columns() == 0) {
        return;
    }
    if (!arriving_) {
        RedrawOff redraw(hwnd());
        SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
        notes_.clear();
        message_.clear();
        // The final count is not known yet: room for a seven-digit number.
        insert_result_columns(rows.columns(), 1000000);
        arriving_ = &rows;
    }
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, rows.rows(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void SqlResultList::add_note(const std::string& text, Image image) {
    if (notes_.empty()) {
        first_note_row_ = static_cast<int>(SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0));
    }
    notes_.push_back(Note{text, image});
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, first_note_row_ + static_cast<int>(notes_.size()), 0);
}

void SqlResultList::show_sql_message(const char* header, Image image, const std::string& text) {
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    table_.reset();
    arriving_ = nullptr;
    notes_.clear();
    remove_columns();
    insert_list_column(hwnd(), 0, header, std::max(list_usable_width(hwnd(), dpi_), 0));
    message_ = text;
    message_image_ = image;
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, 1, 0);
    column_count_ = 1;
}

int SqlResultList::row_number_width(int rows) const {
    // The usual width holds the icon and a five-digit number; a longer number adds
    // what its extra digits need.
    auto text_width = [this](const std::string& text) {
        return static_cast<int>(
            SendMessageA(hwnd(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
    };
    const int extra =
        text_width(format_row_number(std::max(rows, 1))) - text_width(format_row_number(1));
    return scale_for_dpi(kRowNumberColumnWidth, dpi_) + std::max(extra, 0);
}

void SqlResultList::insert_result_columns(int columns, int rows) {
    remove_columns();
    // Wide enough for the largest number shown: 1000000 must not read "100...".
    const int number_width = row_number_width(rows);
    insert_list_column(hwnd(), 0, kRowNumberHeader, number_width);
    // What the division leaves over stays free at the right.
    const int width = std::max((list_usable_width(hwnd(), dpi_) - number_width) / columns, 0);
    for (int c = 1; c <= columns; ++c) {
        insert_list_column(hwnd(), c, "", width);
    }
    column_count_ = columns + 1;
}

void SqlResultList::show_rows(std::unique_ptr<SqlRows> table) {
    insert_result_columns(table->columns(), table->rows());

    table_ = std::move(table);
    message_.clear();
    notes_.clear();
    const int rows = table_->rows();
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, rows, 0);
    if (rows > 0) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(hwnd(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
}

void SqlResultList::remove_columns() {
    remove_list_columns(hwnd());
    column_count_ = 0;
}

void SqlResultList::fill_item(LVITEMA& item) const {
    const int row = item.iItem;
    const int column = item.iSubItem;
    const SqlRows* rows = table_ ? table_.get() : arriving_;
    if (!notes_.empty() && row >= first_note_row_) {
        const std::size_t index = static_cast<std::size_t>(row - first_note_row_);
        const Note* note = index < notes_.size() ? &notes_[index] : nullptr;
        if (item.mask & LVIF_IMAGE) {
            item.iImage = note ? note->image : image_message;
        }
        if (item.mask & LVIF_TEXT) {
            // Under the rows, a note stands in the first value column, where it
            // has room; the row-number column stays blank.
            const int note_column = rows ? 1 : 0;
            copy_item_text(item.pszText, item.cchTextMax,
                           note && column == note_column ? note->text.c_str() : "");
        }
        return;
    }
    if (item.mask & LVIF_IMAGE) {
        item.iImage = rows ? image_row : message_image_;
    }
    if (!(item.mask & LVIF_TEXT)) {
        return;
    }
    if (!rows) {
        copy_item_text(item.pszText, item.cchTextMax,
                       row == 0 && column == 0 ? message_.c_str() : "");
        return;
    }
    if (row < 0 || row >= rows->rows() || column < 0 || column > rows->columns()) {
        copy_item_text(item.pszText, item.cchTextMax, "");
        return;
    }
    if (column == 0) {
        copy_item_text(item.pszText, item.cchTextMax, format_row_number(row + 1).c_str());
        return;
    }
    const long long blob = rows->blob_size(row, column - 1);
    if (blob >= 0) {
        copy_item_text(item.pszText, item.cchTextMax, blob_cell_text(blob).c_str());
        return;
    }
    // Kept texts are short: a few hundred characters at most.
    const std::string value(rows->text(row, column - 1));
    char cell[kSqlCellTextSize + 1];
    sql_cell_text(value.c_str(), cell);
    copy_item_text(item.pszText, item.cchTextMax, cell);
}

bool SqlResultList::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT SqlResultList::on_destroy(WPARAM wparam, LPARAM lparam) {
    table_.reset();
    return call_original(WM_DESTROY, wparam, lparam);
}

LRESULT SqlResultList::on_get_display_info(WPARAM, LPARAM lparam) {
    fill_item(reinterpret_cast<NMLVDISPINFOA*>(lparam)->item);
    return 0;
}

LRESULT SqlResultList::on_get_display_info_wide(WPARAM, LPARAM lparam) {
    LVITEMW& wide = reinterpret_cast<NMLVDISPINFOW*>(lparam)->item;
    char text[kSqlCellTextSize + 1] = "";
    LVITEMA item{};
    item.mask = wide.mask;
    item.iItem = wide.iItem;
    item.iSubItem = wide.iSubItem;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    fill_item(item);
    wide.iImage = item.iImage;
    if (wide.mask & LVIF_TEXT) {
        copy_item_text(wide.pszText, wide.cchTextMax, wide_of_ansi(text));
    }
    return 0;
}
