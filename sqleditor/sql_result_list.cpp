#include "sqleditor/sql_result_list.h"

#include <commctrl.h>

#include <algorithm>

#include "db/result_table.h"
#include "db/text_convert.h"
#include "res/resource.h"
#include "win/dialog.h"
#include "win/gdi_handles.h"
#include "win/list_view.h"
#include "win/message_map.h"
#include "win/redraw_off.h"
#include "win/text_drawing.h"
#include "win/wide_text.h"

const MessageEntry<SqlResultList> SqlResultList::message_map_[] = {
    on_message(WM_DESTROY, &SqlResultList::on_destroy),
    on_reflected_notify(LVN_GETDISPINFOW, &SqlResultList::on_get_display_info),
    on_reflected_notify(NM_CUSTOMDRAW, &SqlResultList::on_custom_draw),
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
        show_sql_message(kSqlMessageHeader, image_message, to_utf8(kSqlRunningText));
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

void SqlResultList::add_note(const std::string& ansi_text, Image image) {
    if (notes_.empty()) {
        first_note_row_ = static_cast<int>(SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0));
    }
    notes_.push_back(Note{wide_of_ansi(ansi_text), image});
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, first_note_row_ + static_cast<int>(notes_.size()), 0);
}

void SqlResultList::show_sql_message(const char* header,
                                     Image image,
                                     const std::string& utf8_text) {
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    table_.reset();
    arriving_ = nullptr;
    notes_.clear();
    remove_columns();
    insert_list_column(hwnd(), 0, header, std::max(list_usable_width(hwnd(), dpi_), 0));
    message_ = wide_of_utf8(utf8_text);
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

std::wstring SqlResultList::item_text(int row, int column) const {
    const SqlRows* rows = table_ ? table_.get() : arriving_;
    if (!notes_.empty() && row >= first_note_row_) {
        const std::size_t index = static_cast<std::size_t>(row - first_note_row_);
        // Under the rows, a note stands in the first value column, where it has
        // room; the row-number column stays blank.
        const int note_column = rows ? 1 : 0;
        return index < notes_.size() && column == note_column ? notes_[index].text : std::wstring();
    }
    if (!rows) {
        return row == 0 && column == 0 ? message_ : std::wstring();
    }
    if (row < 0 || row >= rows->rows() || column < 0 || column > rows->columns()) {
        return std::wstring();
    }
    if (column == 0) {
        return wide_of_ansi(format_row_number(row + 1));
    }
    const long long blob = rows->blob_size(row, column - 1);
    if (blob >= 0) {
        return wide_of_ansi(blob_cell_text(blob));
    }
    // Kept texts are short: a few hundred characters at most.
    return wide_of_utf8(sql_cell_text(rows->text(row, column - 1)));
}

int SqlResultList::item_image(int row) const {
    const SqlRows* rows = table_ ? table_.get() : arriving_;
    if (!notes_.empty() && row >= first_note_row_) {
        const std::size_t index = static_cast<std::size_t>(row - first_note_row_);
        return index < notes_.size() ? notes_[index].image : image_message;
    }
    return rows ? image_row : message_image_;
}

bool SqlResultList::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT SqlResultList::on_destroy(WPARAM wparam, LPARAM lparam) {
    table_.reset();
    return call_original(WM_DESTROY, wparam, lparam);
}

LRESULT SqlResultList::on_get_display_info(WPARAM, LPARAM lparam) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lparam)->item;
    if (item.mask & LVIF_IMAGE) {
        item.iImage = item_image(item.iItem);
    }
    if (item.mask & LVIF_TEXT) {
        // A cell's text is at most 254 bytes' worth, fewer units than the list's
        // room; a longer note is cut, never inside a pair.
        copy_item_text(item.pszText, item.cchTextMax, item_text(item.iItem, item.iSubItem));
    }
    return 0;
}

LRESULT SqlResultList::on_custom_draw(WPARAM, LPARAM lparam) {
    // A cell holding a character beyond the basic plane (𠮷, emoji) is drawn here:
    // the list's own drawing would show two boxes for it.
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lparam);
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            for (int column = 0; column < column_count_; ++column) {
                if (needs_fallback_drawing(item_text(row, column))) {
                    return CDRF_NOTIFYSUBITEMDRAW;
                }
            }
            return CDRF_DODEFAULT;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const std::wstring text = item_text(row, draw->iSubItem);
            if (draw->iSubItem < 1 || !needs_fallback_drawing(text)) {
                return CDRF_DODEFAULT;
            }
            draw_list_cell(hwnd(), *draw, text);
            return CDRF_SKIPDEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}
