#include "grid/table_grid.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "db/read_watch.h"
#include "db/record_identity.h"
#include "db/record_page.h"
#include "db/result_table.h"
#include "db/sql_error.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "grid/sql_error_report.h"
#include "page/column_widths.h"
#include "page/view_choice.h"
#include "win/list_view.h"
#include "win/message_box.h"
#include "win/wide_text.h"

namespace {

// The header's margins on either side of its text, with a little room for the
// cells below it.
constexpr int kHeaderTextMargins = 16;
// The page label of a page that could not be read.
constexpr const char kUnreadableLabel[] = "-";
constexpr const char kReadCaption[] = "読み込みエラー";
constexpr const char kFilterCaption[] = "絞り込み・並べ替え";
constexpr const char kRefusedText[] =
    "この条件ではレコードを読み込めませんでした。前の表示のままにしています。";
constexpr const char kViewUnreadableText[] =
    "このビューを読み込めませんでした。ビューの定義が参照するテーブルや関数を確認してください。";

}  // namespace

TableGrid::TableGrid(CellEditor& cell_editor, ChangeHistory& change_history)
    : cell_editor_(cell_editor),
      change_history_(change_history),
      editor_brush_(CreateSolidBrush(kCellEditorBackColour)) {}

int TableGrid::data_column_width(int columns) const {
    return shared_column_width(
        list_usable_width(hwnd(), dpi_) - scale_for_dpi(kRowIdColumnWidth, dpi_), columns);
}

std::vector<int> TableGrid::data_column_widths() const {
    const int row_labels = list_columns_ > 0
                               ? static_cast<int>(SendMessageA(hwnd(), LVM_GETCOLUMNWIDTH, 0, 0))
                               : scale_for_dpi(kRowIdColumnWidth, dpi_);
    return ::data_column_widths(list_usable_width(hwnd(), dpi_) - row_labels, header_widths_, dpi_);
}

int TableGrid::header_margins() const {
    return scale_for_dpi(kHeaderTextMargins, dpi_);
}

void TableGrid::begin_dpi_change(int dpi) {
    const int old_dpi = dpi_;
    dpi_ = dpi;
    changing_dpi_ = true;
    rescaled_widths_.clear();
    for (int column = 0; column < list_columns_; ++column) {
        const int width = static_cast<int>(SendMessageA(hwnd(), LVM_GETCOLUMNWIDTH, column, 0));
        rescaled_widths_.push_back(MulDiv(width, dpi, old_dpi));
    }
}

void TableGrid::end_dpi_change() {
    // The list's new width is the one its columns are given for: a scroll bar
    // that comes or goes below does not make them share the room anew.
    RECT window{};
    GetWindowRect(hwnd(), &window);
    sized_width_ = window.right - window.left;
    changing_dpi_ = false;
    if (!shown_headers_.empty()) {
        header_widths_ = list_text_widths_utf8(hwnd(), shown_headers_);
        header_widths_.erase(header_widths_.begin());
        for (int& width : header_widths_) {
            width += header_margins();
        }
    }
    {
        RedrawOff redraw(hwnd());
        const int columns = std::min(list_columns_, static_cast<int>(rescaled_widths_.size()));
        for (int column = 0; column < columns; ++column) {
            set_column_width(column, rescaled_widths_[static_cast<std::size_t>(column)]);
        }
    }
    rescaled_widths_.clear();
    InvalidateRect(hwnd(), nullptr, TRUE);
    if (cell_editor_.edit().active() && IsWindowVisible(cell_editor_.hwnd())) {
        const EditedCell& edited = cell_editor_.edit().cell();
        place_editor(edited.row, edited.column);
    }
    tell_columns_moved();
}

const ShapeColumn& TableGrid::shape_column(int column) const {
    static const ShapeColumn none;
    const std::vector<ShapeColumn>& columns = page_.shape().columns;
    return column >= 1 && column <= static_cast<int>(columns.size())
               ? columns[static_cast<std::size_t>(column - 1)]
               : none;
}

void TableGrid::remove_all_columns() {
    remove_list_columns(hwnd());
    list_columns_ = 0;
    shown_headers_.clear();
    marked_order_.clear();
}

void TableGrid::clear() {
    if (cell_editor_.edit().active()) {
        // Its record belongs to what is going away.
        cell_editor_.abandon();
    }
    page_.close();
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    remove_all_columns();
    header_widths_.clear();
}

void TableGrid::show_no_rows() {
    if (cell_editor_.edit().active()) {
        cell_editor_.abandon();
    }
    RedrawOff redraw(hwnd());
    page_.drop_rows();
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    remove_all_columns();
}

bool TableGrid::open_table(sqlite3* db, const std::string& table) {
    if (cell_editor_.edit().active()) {
        cell_editor_.abandon();
    }
    RedrawOff redraw(hwnd());
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    if (!page_.open(db, table)) {
        remove_all_columns();
        header_widths_.clear();
        return false;
    }
    show_columns();
    return true;
}

void TableGrid::show_columns() {
    const TableShape& shape = page_.shape();
    const std::vector<ShapeColumn>& columns = shape.columns;
    // Column 0 holds the row id only where there is one; elsewhere it numbers the
    // records in the table's order.
    std::vector<std::string> headers;
    headers.reserve(columns.size() + 1);
    headers.push_back(record_identity(shape).has_rowid() ? "RowID" : "No.");
    for (const ShapeColumn& column : columns) {
        headers.push_back(column_header(column));
    }
    RECT window{};
    GetWindowRect(hwnd(), &window);
    sized_width_ = window.right - window.left;
    if (headers == shown_headers_) {
        // The same columns again (the table's shape read anew): they get their
        // widths back as a rebuild would, without the list moving a couple of
        // thousand columns for it.
        set_column_width(0, scale_for_dpi(kRowIdColumnWidth, dpi_));
        set_data_column_widths();
        columns_fresh_ = true;
        tell_columns_moved();
        return;
    }
    header_widths_ = list_text_widths_utf8(hwnd(), headers);
    header_widths_.erase(header_widths_.begin());
    for (int& width : header_widths_) {
        width += header_margins();
    }
    remove_all_columns();
    const std::vector<int> widths = data_column_widths();
    insert_list_column_utf8(hwnd(), 0, headers[0], scale_for_dpi(kRowIdColumnWidth, dpi_));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        insert_list_column_utf8(hwnd(), static_cast<int>(i + 1), headers[i + 1], widths[i]);
    }
    list_columns_ = static_cast<int>(headers.size());
    shown_headers_ = std::move(headers);
    marked_order_.clear();
    columns_fresh_ = true;
    // Another table starts at its first column.
    const int scrolled = GetScrollPos(hwnd(), SB_HORZ);
    if (scrolled > 0) {
        SendMessageA(hwnd(), LVM_SCROLL, static_cast<WPARAM>(-scrolled), 0);
    }
    tell_columns_moved();
}

void TableGrid::set_column_width(int column, int width) {
    if (SendMessageA(hwnd(), LVM_GETCOLUMNWIDTH, column, 0) != width) {
        LVCOLUMNA item{};
        item.mask = LVCF_WIDTH;
        item.cx = width;
        SendMessageA(hwnd(), LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&item));
    }
}

void TableGrid::set_data_column_widths() {
    // Most columns of a wide table keep their width: only the others are set.
    const std::vector<int> widths = data_column_widths();
    const int columns = std::min(list_columns_ - 1, static_cast<int>(widths.size()));
    for (int column = 1; column <= columns; ++column) {
        set_column_width(column, widths[static_cast<std::size_t>(column - 1)]);
    }
}

PageRequest TableGrid::request_here(PageRequest::Place place) const {
    PageRequest request = PageRequest::page(page_.database(), page_.table(), page_.page_index());
    request.place = place;
    request.records = page_.records();
    return request;
}

int TableGrid::show(const PageRequest& request) {
    ReadFailureWatch watch(request.db);
    // The table's shape is read once, when it is chosen (or read again after it
    // could not be): a page turn reads only records.
    if (!page_.is_open() || page_.table() != request.table || page_.database() != request.db) {
        open_table(request.db, request.table);
    }
    const int row = page_.is_open() ? page_.read(request) : -1;
    if (watch.failed()) {
        // Part of the page may be missing: show none of it rather than a table
        // that looks empty or shorter than it is.
        show_no_rows();
        if (on_page_shown) {
            on_page_shown(PageView{kUnreadableLabel, page_.page_index() > 0, false}, false);
        }
        if (!(watch.interrupted() && request.overtaken && *request.overtaken)) {
            report_unreadable(hwnd(), watch);
        }
        return -1;
    }
    if (page_.is_open()) {
        show_rows(row);
    } else if (on_page_shown) {
        on_page_shown(page_view(0, 0), true);
    }
    if ((request.is_view || page_.shape().is_view) && !page_.read_error().empty()) {
        // A view whose definition no longer holds (a table or function it names is
        // gone) reads as no rows: say so rather than show a view that looks empty.
        show_no_rows();
        show_message_box_utf8(hwnd(), to_utf8(kViewUnreadableText) + "\n" + page_.read_error(),
                              kReadCaption, MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    return page_.is_open() ? row : -1;
}

void TableGrid::show_rows(int select) {
    if (!page_.is_open()) {
        return;
    }
    if (list_columns_ == 0) {
        RedrawOff redraw(hwnd());
        show_columns();
    }
    // A page with no record has no row selected (the blank row is not chosen
    // for the user).
    const int selected = page_.record_count() == 0 ? -1 : select >= 0 ? select : 0;
    const int rows = page_.row_count();
    // The list is told its new number of rows only when it changes: a new count
    // has it work its scroll bars out again, which set_owner_data_row_count keeps
    // to one drawing of the frame.
    if (SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0) != rows) {
        set_owner_data_row_count(hwnd(), rows);
    }
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    if (selected >= 0) {
        select_row(selected);
    }
    if (rows > 0) {
        SendMessageA(hwnd(), LVM_ENSUREVISIBLE, 0, FALSE);
    }
    fit_row_label_column();
    // The columns are the same on every page: their header is not drawn again.
    invalidate_list_rows(hwnd());
    show_sort_marks();
    if (on_page_shown) {
        on_page_shown(page_.view(), true);
    }
}

void TableGrid::fit_row_label_column() {
    const bool fresh = columns_fresh_;
    columns_fresh_ = false;
    // The longest label of the page is its widest: labels are digits.
    const std::string* widest = nullptr;
    for (int row = 0; row < page_.record_count(); ++row) {
        const std::string& label = page_.cell_text(row, 0);
        if (!widest || label.size() > widest->size()) {
            widest = &label;
        }
    }
    const int least = scale_for_dpi(kRowIdColumnWidth, dpi_);
    if (!widest || widest->size() <= std::strlen(kNarrowestRowLabel)) {
        return;
    }
    // The room beside the text that a label of five digits has today.
    const auto width_of = [this](const char* text) {
        return static_cast<int>(
            SendMessageA(hwnd(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
    };
    const int needed = width_of(widest->c_str()) + least - width_of(kNarrowestRowLabel);
    // Never narrower than it is: a wider label stays readable on every page.
    if (needed > SendMessageA(hwnd(), LVM_GETCOLUMNWIDTH, 0, 0)) {
        set_column_width(0, needed);
        // The first page of a table shares what is left among its columns; later
        // pages keep the widths the user may have dragged.
        if (fresh) {
            set_data_column_widths();
        }
        tell_columns_moved();
    }
}

int TableGrid::selected_row() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

void TableGrid::set_cell_text(int row, int column, const char* text) {
    if (row < 0 || row >= row_count() || column < 0 || column >= list_columns_) {
        return;
    }
    // A cell shows at most kCellShownBytes bytes' worth.
    const std::string_view whole = text ? text : "";
    page_.set_cell_text(row, column,
                        std::string(whole.substr(0, cut_to_weight(whole, kCellShownBytes))));
    SendMessageA(hwnd(), LVM_REDRAWITEMS, row, row);
}

void TableGrid::select_row(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void TableGrid::ensure_visible(int row) {
    SendMessageA(hwnd(), LVM_ENSUREVISIBLE, row, TRUE);
}

void TableGrid::ensure_column_visible(int column) {
    // Every row has the same column edges; the first one serves.
    RECT cell;
    if (row_count() > 0 && cell_rect(0, column, cell)) {
        scroll_into_view_sideways(hwnd(), cell.left, cell.right);
        tell_columns_moved();
    }
}

bool TableGrid::cell_rect(int row, int column, RECT& rect) const {
    rect = RECT{};
    rect.top = column;
    rect.left = LVIR_LABEL;
    return SendMessageA(hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect)) != 0;
}

bool TableGrid::column_edges(int column, HWND other, int& left, int& right) const {
    HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd(), LVM_GETHEADER, 0, 0));
    RECT item{};
    if (!header || column < 0 || column >= list_columns_ ||
        !SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item))) {
        return false;
    }
    MapWindowPoints(header, other, reinterpret_cast<POINT*>(&item), 2);
    RECT client{};
    GetClientRect(hwnd(), &client);
    MapWindowPoints(hwnd(), other, reinterpret_cast<POINT*>(&client), 2);
    left = std::max(item.left, client.left);
    right = std::min(item.right, client.right);
    return right > left;
}

void TableGrid::tell_columns_moved() {
    if (on_columns_moved) {
        on_columns_moved();
    }
}

bool TableGrid::show_records(const RecordView& records, const bool* overtaken) {
    finish_cell_edit();
    const RecordView before = page_.records();
    PageRequest request = request_here(PageRequest::Place::page);
    request.page_index = 0;
    request.records = records;
    request.overtaken = overtaken;
    show(request);
    if (page_.read_error().empty() || page_.shape().is_view) {
        return true;
    }
    // A stop or a lock is the read watch's to tell (or, when typing overtook the
    // read, nobody's): the statement itself was fine.
    const int code = sqlite3_errcode(request.db) & 0xff;
    if (code == SQLITE_INTERRUPT || is_unreadable_failure(code)) {
        return false;
    }
    // The database refused the statement (a comparison it cannot make): the last
    // good records stay on screen.
    const std::string text = to_utf8(kRefusedText) + "\n" + page_.read_error();
    request.records = before;
    show(request);
    show_message_box_utf8(hwnd(), text, kFilterCaption, MB_OK | MB_ICONINFORMATION);
    return false;
}

int TableGrid::apply_filters(const std::vector<std::string>& typed,
                             bool asked,
                             bool folded,
                             const bool* overtaken) {
    if (!page_.is_open()) {
        return 0;
    }
    RecordFilter filter;
    std::size_t bad_column = 0;
    std::string message;
    if (!parse_filters(page_.shape(), std::string(), typed,
                       folded ? TextMatch::folded : TextMatch::exact, filter, bad_column,
                       message)) {
        if (asked) {
            show_message_box(hwnd(), message.c_str(), kFilterCaption, MB_OK | MB_ICONINFORMATION);
        }
        return static_cast<int>(bad_column) + 1;
    }
    RecordView records = page_.records();
    records.filter = std::move(filter);
    show_records(records, overtaken);
    return 0;
}

void TableGrid::sort_by_click(int column, bool further_key) {
    if (!page_.is_open() || column < 0 || column > page_.column_count()) {
        return;
    }
    RecordView records = page_.records();
    records.order = column == 0 ? std::vector<OrderKey>()
                                : clicked_order(records.order, static_cast<std::size_t>(column - 1),
                                                further_key);
    show_records(records);
}

void TableGrid::show_sort_marks() {
    const std::vector<OrderKey>& order = page_.records().order;
    if (order == marked_order_) {
        return;
    }
    HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd(), LVM_GETHEADER, 0, 0));
    std::vector<int> touched;
    for (const OrderKey& key : marked_order_) {
        touched.push_back(static_cast<int>(key.column) + 1);
    }
    for (const OrderKey& key : order) {
        touched.push_back(static_cast<int>(key.column) + 1);
    }
    for (const int column : touched) {
        if (column >= list_columns_ || column >= static_cast<int>(shown_headers_.size())) {
            continue;
        }
        const auto key = std::find_if(order.begin(), order.end(), [column](const OrderKey& k) {
            return static_cast<int>(k.column) + 1 == column;
        });
        std::string text = shown_headers_[static_cast<std::size_t>(column)];
        HDITEMW item{};
        item.mask = HDI_FORMAT | HDI_TEXT;
        item.fmt = HDF_LEFT | HDF_STRING;
        if (key != order.end()) {
            item.fmt |= key->descending ? HDF_SORTDOWN : HDF_SORTUP;
            text += sort_rank_text(order, static_cast<std::size_t>(column - 1));
        }
        std::wstring wide = wide_of_utf8(text);
        item.pszText = wide.data();
        SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
    marked_order_ = order;
}
