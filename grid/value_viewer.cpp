#include "grid/value_viewer.h"

#include <algorithm>

#include "db/text_convert.h"
#include "grid/value_dump.h"
#include "page/picture_kind.h"
#include "res/resource.h"
#include "win/dialog_layout.h"
#include "win/window_text.h"

namespace {

constexpr char kPictureInfo[] = " 画像  ";
constexpr char kPixelsText[] = " ピクセル  ";
constexpr char kBytesText[] = " バイト";
constexpr char kTimesText[] = " × ";
constexpr char kNotDecodedText[] =
    " として表示できませんでした（壊れているか、このシステムでは読めない形式です）。";
constexpr char kTooLargePictureText[] = "画像が大きすぎるため、内容を表示します。";
constexpr char kShownRangeText[] = " バイト目を表示";
constexpr char kEmptyText[] = "（空）";

const char* type_name(const std::string& type) {
    if (type == "blob") {
        return "BLOB";
    }
    if (type == "text") {
        return "テキスト";
    }
    if (type == "integer") {
        return "整数";
    }
    if (type == "real") {
        return "実数";
    }
    return "NULL";
}

}  // namespace

const MessageEntry<ValueViewer> ValueViewer::message_map_[] = {
    on_message(WM_INITDIALOG, &ValueViewer::on_init_dialog),
    on_message(WM_DRAWITEM, &ValueViewer::on_draw_item),
    on_message(WM_SIZE, &ValueViewer::on_size),
    on_message(WM_GETMINMAXINFO, &ValueViewer::on_get_min_max_info),
    on_command(IDC_VIEWER_PREVIOUS, &ValueViewer::on_previous),
    on_command(IDC_VIEWER_NEXT, &ValueViewer::on_next),
    on_command(IDCANCEL, &ValueViewer::on_cancel),
    on_command(IDOK, &ValueViewer::on_cancel),
};

bool ValueViewer::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

ReadOutcome ValueViewer::run(HWND owner) {
    const ReadOutcome read = read_value_part(database, target, 0, kPictureSignatureBytes, head_);
    if (read != ReadOutcome::found) {
        return read;
    }
    show_modal(IDD_VALUE_VIEWER, owner);
    return ReadOutcome::found;
}

HWND ValueViewer::open(HWND owner) {
    if (read_value_part(database, target, 0, kPictureSignatureBytes, head_) != ReadOutcome::found) {
        return nullptr;
    }
    return create_modeless(IDD_VALUE_VIEWER, owner);
}

LRESULT ValueViewer::on_init_dialog(WPARAM, LPARAM) {
    layout_.setup_layout(hwnd(),
                         {
                             {IDC_VIEWER_INFO, layout_stretch_x},
                             {IDC_VIEWER_PICTURE, layout_stretch_x | layout_stretch_y},
                             {IDC_VIEWER_DUMP, layout_stretch_x | layout_stretch_y},
                             {IDC_VIEWER_PREVIOUS, layout_move_y},
                             {IDC_VIEWER_NEXT, layout_move_y},
                             {IDCANCEL, layout_move_x | layout_move_y},
                         },
                         template_client_size());
    // Laid out for a large display scale, the viewer may be taller than the
    // screen; the picture is decoded for the box it then has.
    fit_to_work_area(hwnd());
    center_window(hwnd(), GetParent(hwnd()));
    std::string note;
    if (!show_picture(note)) {
        show_dump_page(0, note);
    }
    // The focus on the button: a dump given the focus would be selected whole and
    // shown from its end.
    SetFocus(item(IDCANCEL));
    return FALSE;
}

bool ValueViewer::show_picture(std::string& note) {
    const auto* head = reinterpret_cast<const unsigned char*>(head_.bytes.data());
    const PictureKind kind =
        head_.type == "blob" ? picture_kind(head, head_.bytes.size()) : PictureKind::none;
    if (kind == PictureKind::none) {
        return false;
    }
    if (head_.total > kLargestPicture) {
        note = kTooLargePictureText;
        return false;
    }
    ValuePart whole;
    RECT box{};
    GetClientRect(item(IDC_VIEWER_PICTURE), &box);
    if (read_value_part(database, target, 0, static_cast<std::size_t>(head_.total), whole) !=
            ReadOutcome::found ||
        !decode_picture(whole.bytes, box.right - 2, box.bottom - 2, picture_)) {
        picture_ = DecodedPicture{};
        note = std::string(picture_kind_name(kind)) + kNotDecodedText;
        return false;
    }
    const std::string info = std::string(picture_kind_name(kind)) + kPictureInfo +
                             std::to_string(picture_.width) + kTimesText +
                             std::to_string(picture_.height) + kPixelsText +
                             grouped_number(head_.total) + kBytesText;
    SetWindowTextA(item(IDC_VIEWER_INFO), info.c_str());
    ShowWindow(item(IDC_VIEWER_PICTURE), SW_SHOW);
    ShowWindow(item(IDC_VIEWER_DUMP), SW_HIDE);
    EnableWindow(item(IDC_VIEWER_PREVIOUS), FALSE);
    EnableWindow(item(IDC_VIEWER_NEXT), FALSE);
    return true;
}

void ValueViewer::show_dump_page(std::int64_t offset, const std::string& note) {
    ValuePart page;
    if (read_value_part(database, target, offset, kDumpPageBytes, page) != ReadOutcome::found) {
        page = ValuePart{};
    }
    offset_ = offset;
    std::string info =
        std::string(type_name(page.type)) + "  " + grouped_number(page.total) + kBytesText;
    if (!page.bytes.empty()) {
        info += "  (" + grouped_number(offset) + " - " +
                grouped_number(offset + static_cast<std::int64_t>(page.bytes.size()) - 1) +
                kShownRangeText + ")";
    }
    if (!note.empty()) {
        info = note + "\r\n" + info;
    }
    SetWindowTextA(item(IDC_VIEWER_INFO), info.c_str());
    // A text's characters as the database holds them (UTF-8), a BLOB's as ASCII.
    const std::string dump = page.bytes.empty()
                                 ? to_utf8(kEmptyText)
                                 : dump_text(page.bytes, offset, page.type == "text");
    set_window_text_utf8(item(IDC_VIEWER_DUMP), dump);
    ShowWindow(item(IDC_VIEWER_PICTURE), SW_HIDE);
    ShowWindow(item(IDC_VIEWER_DUMP), SW_SHOW);
    EnableWindow(item(IDC_VIEWER_PREVIOUS), previous_page_offset(offset) >= 0);
    EnableWindow(item(IDC_VIEWER_NEXT), next_page_offset(offset, page.total) >= 0);
    head_.total = page.total;
}

LRESULT ValueViewer::on_previous(WPARAM, LPARAM) {
    const std::int64_t offset = previous_page_offset(offset_);
    if (offset >= 0) {
        show_dump_page(offset, std::string());
    }
    return 0;
}

LRESULT ValueViewer::on_next(WPARAM, LPARAM) {
    const std::int64_t offset = next_page_offset(offset_, head_.total);
    if (offset >= 0) {
        show_dump_page(offset, std::string());
    }
    return 0;
}

LRESULT ValueViewer::on_cancel(WPARAM, LPARAM) {
    end_dialog(IDCANCEL);
    return 0;
}

LRESULT ValueViewer::on_draw_item(WPARAM, LPARAM lparam) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (!draw || draw->CtlID != IDC_VIEWER_PICTURE) {
        return FALSE;
    }
    const RECT& box = draw->rcItem;
    FillRect(draw->hDC, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (picture_.pixels.empty()) {
        return TRUE;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(picture_.shown_width);
    // Negative: the rows run top down, as the decoder gave them.
    info.bmiHeader.biHeight = -static_cast<LONG>(picture_.shown_height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int width = static_cast<int>(picture_.shown_width);
    const int height = static_cast<int>(picture_.shown_height);
    // Decoded for the box the viewer opened with; a box made smaller since
    // shrinks it to fit, in proportion.
    const int box_width = std::max(1, static_cast<int>(box.right - box.left) - 2);
    const int box_height = std::max(1, static_cast<int>(box.bottom - box.top) - 2);
    int drawn_width = width;
    int drawn_height = height;
    if (width > box_width || height > box_height) {
        if (static_cast<long long>(width) * box_height >
            static_cast<long long>(height) * box_width) {
            drawn_width = box_width;
            drawn_height = std::max(1, MulDiv(height, box_width, width));
        } else {
            drawn_height = box_height;
            drawn_width = std::max(1, MulDiv(width, box_height, height));
        }
    }
    const int left = box.left + (box.right - box.left - drawn_width) / 2;
    const int top = box.top + (box.bottom - box.top - drawn_height) / 2;
    const int old_mode = SetStretchBltMode(draw->hDC, HALFTONE);
    SetBrushOrgEx(draw->hDC, 0, 0, nullptr);
    StretchDIBits(draw->hDC, left, top, drawn_width, drawn_height, 0, 0, width, height,
                  picture_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(draw->hDC, old_mode);
    return TRUE;
}

LRESULT ValueViewer::on_size(WPARAM wparam, LPARAM lparam) {
    layout_.on_size(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
    InvalidateRect(item(IDC_VIEWER_PICTURE), nullptr, FALSE);
    return 0;
}

LRESULT ValueViewer::on_get_min_max_info(WPARAM, LPARAM lparam) {
    layout_.on_get_min_max_info(reinterpret_cast<MINMAXINFO*>(lparam));
    return 0;
}

void ValueViewer::dpi_changing(int old_dpi) {
    layout_.rescale(old_dpi, dpi());
}
