#include "grid/filter_strip.h"

#include <algorithm>
#include <memory>

#include "win/dpi.h"
#include "win/gdi_handles.h"
#include "win/text_drawing.h"
#include "win/wide_text.h"
#include "win/window_text.h"

namespace {

constexpr int kEditorId = 1;
constexpr UINT kFoldCommand = 1;
constexpr UINT kClearCommand = 2;
constexpr char kFoldItem[] = "全角・半角、ひらがな・カタカナ、大文字・小文字を区別しない(&J)";
constexpr char kClearItem[] = "すべての条件を解除(&C)";
constexpr char kHintText[] = "絞り込み";
constexpr char kClearText[] = "× 解除";
// A column with a filter stands out from the others.
constexpr COLORREF kFilteredBack = RGB(255, 249, 196);
constexpr COLORREF kBadText = RGB(192, 0, 0);
constexpr COLORREF kLineColour = RGB(208, 208, 208);
constexpr COLORREF kClearColour = RGB(0, 90, 200);

// The strip's editor: its keys go to the strip, none to the dialog (Enter there
// would end the program, Esc too).
class FilterEditor : public WindowSubclass {
protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override {
        if (msg == WM_GETDLGCODE) {
            // Still an edit control to whoever asks (its text can be selected).
            result = call_original(msg, wparam, lparam) | DLGC_WANTALLKEYS;
            return true;
        }
        if (msg == WM_KEYDOWN && (wparam == VK_RETURN || wparam == VK_ESCAPE || wparam == VK_TAB)) {
            SendMessageA(GetParent(hwnd()), WM_FILTER_EDIT_KEY, wparam, 0);
            result = 0;
            return true;
        }
        if (msg == WM_CHAR && (wparam == '\r' || wparam == '\t' || wparam == 0x1B)) {
            // Their keys did their work; the control would beep.
            result = 0;
            return true;
        }
        if (msg == WM_KILLFOCUS) {
            const LRESULT original = call_original(msg, wparam, lparam);
            PostMessageA(GetParent(hwnd()), WM_FILTER_EDIT_KEY, 0, 0);
            result = original;
            return true;
        }
        return false;
    }
};

}  // namespace

const MessageEntry<FilterStrip> FilterStrip::message_map_[] = {
    on_message(WM_PAINT, &FilterStrip::on_paint),
    on_message(WM_ERASEBKGND, &FilterStrip::on_erase_background),
    on_message(WM_LBUTTONDOWN, &FilterStrip::on_left_button_down),
    on_message(WM_TIMER, &FilterStrip::on_timer),
    on_message(WM_COMMAND, &FilterStrip::on_command),
    on_message(WM_FILTER_EDIT_KEY, &FilterStrip::on_editor_key),
    on_message(WM_CTLCOLOREDIT, &FilterStrip::on_ctl_color_edit),
    on_message(WM_CONTEXTMENU, &FilterStrip::on_context_menu),
};

bool FilterStrip::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

bool FilterStrip::create_above(HWND list, HWND parent, int id, HFONT font, int dpi) {
    RECT grid{};
    GetWindowRect(list, &grid);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&grid), 2);
    int height = scale_for_dpi(20, dpi);
    if (WindowFontDc dc(parent); dc.get()) {
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(dc.get(), &metrics)) {
            height = metrics.tmHeight + scale_for_dpi(8, dpi);
        }
    }
    HWND strip = CreateWindowExA(
        0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_NOTIFY | WS_CLIPCHILDREN, grid.left, grid.top,
        grid.right - grid.left, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (!strip) {
        return false;
    }
    MoveWindow(list, grid.left, grid.top + height, grid.right - grid.left,
               grid.bottom - grid.top - height, FALSE);
    SetWindowPos(strip, list, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return create(strip, font, dpi);
}

bool FilterStrip::create(HWND placeholder, HFONT font, int dpi) {
    if (!attach(placeholder)) {
        return false;
    }
    font_ = font;
    dpi_ = dpi;
    // A Unicode edit control: a filter is typed with any character the data holds.
    editor_ = CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd(), GWLP_HINSTANCE)), nullptr);
    if (editor_) {
        SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        editor_subclass_ = std::make_unique<FilterEditor>();
        editor_subclass_->attach(editor_);
    }
    return editor_ != nullptr;
}

void FilterStrip::set_font(HFONT font, int dpi) {
    font_ = font;
    dpi_ = dpi;
    if (editor_) {
        SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    columns_moved();
}

void FilterStrip::set_texts(const std::vector<std::string>& texts) {
    KillTimer(hwnd(), kTypingTimer);
    editing_ = 0;
    if (editor_) {
        ShowWindow(editor_, SW_HIDE);
    }
    texts_ = texts;
    handed_ = texts;
    bad_column_ = 0;
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void FilterStrip::set_bad_column(int column) {
    if (bad_column_ != column) {
        bad_column_ = column;
        InvalidateRect(hwnd(), nullptr, TRUE);
    }
}

bool FilterStrip::any_filter() const {
    return std::any_of(texts_.begin(), texts_.end(),
                       [](const std::string& t) { return !t.empty(); });
}

void FilterStrip::columns_moved() {
    if (editing_ > 0 && editor_) {
        int left = 0;
        int right = 0;
        RECT client{};
        GetClientRect(hwnd(), &client);
        if (column_edges && column_edges(editing_, left, right)) {
            MoveWindow(editor_, left + 1, client.top + 1, std::max(0, right - left - 2),
                       client.bottom - client.top - 2, TRUE);
        }
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

int FilterStrip::column_at(int x) const {
    if (!column_edges) {
        return -1;
    }
    for (int column = 0; column <= static_cast<int>(texts_.size()); ++column) {
        int left = 0;
        int right = 0;
        if (column_edges(column, left, right) && x >= left && x < right) {
            return column;
        }
    }
    return -1;
}

void FilterStrip::edit_column(int column) {
    if (column < 1 || column > static_cast<int>(texts_.size()) || !editor_) {
        return;
    }
    if (editing_ > 0) {
        close_editor();
    }
    if (show_column) {
        show_column(column);
    }
    editing_ = column;
    set_window_text_utf8(editor_, texts_[static_cast<std::size_t>(column - 1)]);
    columns_moved();
    ShowWindow(editor_, SW_SHOW);
    SetFocus(editor_);
    SendMessageA(editor_, EM_SETSEL, 0, -1);
}

void FilterStrip::close_editor() {
    if (editing_ <= 0) {
        return;
    }
    KillTimer(hwnd(), kTypingTimer);
    const int column = editing_;
    editing_ = 0;
    texts_[static_cast<std::size_t>(column - 1)] = window_text_utf8(editor_);
    ShowWindow(editor_, SW_HIDE);
    InvalidateRect(hwnd(), nullptr, TRUE);
    hand_on(false);
}

void FilterStrip::hand_on(bool asked) {
    if (!asked && texts_ == handed_) {
        return;
    }
    handed_ = texts_;
    if (on_filters) {
        on_filters(texts_, asked);
    }
}

LRESULT FilterStrip::on_left_button_down(WPARAM, LPARAM lparam) {
    const int column = column_at(static_cast<short>(LOWORD(lparam)));
    if (column == 0) {
        if (any_filter()) {
            clear_filters();
        }
        return 0;
    }
    edit_column(column);
    return 0;
}

LRESULT FilterStrip::on_command(WPARAM wparam, LPARAM) {
    if (LOWORD(wparam) == kEditorId && HIWORD(wparam) == EN_CHANGE && editing_ > 0) {
        SetTimer(hwnd(), kTypingTimer, kTypingPauseMs, nullptr);
    }
    return 0;
}

LRESULT FilterStrip::on_timer(WPARAM wparam, LPARAM) {
    if (wparam != kTypingTimer) {
        return 0;
    }
    KillTimer(hwnd(), kTypingTimer);
    if (editing_ > 0) {
        texts_[static_cast<std::size_t>(editing_ - 1)] = window_text_utf8(editor_);
        hand_on(false);
    }
    return 0;
}

LRESULT FilterStrip::on_editor_key(WPARAM key, LPARAM) {
    if (editing_ <= 0) {
        return 0;
    }
    switch (key) {
        case 0:  // the editor lost the focus
            if (GetFocus() != editor_) {
                close_editor();
            }
            break;
        case VK_RETURN:
            KillTimer(hwnd(), kTypingTimer);
            texts_[static_cast<std::size_t>(editing_ - 1)] = window_text_utf8(editor_);
            hand_on(true);
            break;
        case VK_ESCAPE:
            close_editor();
            break;
        case VK_TAB: {
            const int next = editing_ + (GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
            close_editor();
            if (next >= 1 && next <= static_cast<int>(texts_.size())) {
                edit_column(next);
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

LRESULT FilterStrip::on_ctl_color_edit(WPARAM wparam, LPARAM) {
    if (!editor_back_) {
        editor_back_.reset(CreateSolidBrush(kFilteredBack));
    }
    HDC dc = reinterpret_cast<HDC>(wparam);
    SetBkColor(dc, kFilteredBack);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(editor_back_.get());
}

LRESULT FilterStrip::on_erase_background(WPARAM, LPARAM) {
    // Painted whole in WM_PAINT.
    return TRUE;
}

LRESULT FilterStrip::on_paint(WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    HDC window_dc = BeginPaint(hwnd(), &paint);
    RECT client{};
    GetClientRect(hwnd(), &client);
    // Drawn off screen and shown at once, as the grid's rows are.
    HDC dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, client.right, client.bottom);
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HGDIOBJ old_font = SelectObject(dc, font_);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    BrushHandle filtered(CreateSolidBrush(kFilteredBack));
    BrushHandle line(CreateSolidBrush(kLineColour));
    for (int column = 0; column <= static_cast<int>(texts_.size()); ++column) {
        int left = 0;
        int right = 0;
        if (!column_edges || !column_edges(column, left, right) || right <= client.left) {
            continue;
        }
        if (left >= client.right) {
            break;
        }
        RECT cell{left, client.top, right, client.bottom};
        const std::string& text =
            column == 0 ? std::string() : texts_[static_cast<std::size_t>(column - 1)];
        if (!text.empty()) {
            FillRect(dc, &cell, filtered.get());
        }
        RECT edge{right - 1, client.top, right, client.bottom};
        FillRect(dc, &edge, line.get());
        const int margin = scale_for_dpi(4, dpi_);
        RECT inside{left + margin, client.top, right - margin, client.bottom};
        std::wstring shown;
        if (column == 0) {
            const bool any = any_filter();
            shown = wide_of_ansi(any ? kClearText : kHintText);
            SetTextColor(dc, any ? kClearColour : GetSysColor(COLOR_GRAYTEXT));
        } else {
            shown = wide_of_utf8(text);
            SetTextColor(dc, column == bad_column_ ? kBadText : GetSysColor(COLOR_WINDOWTEXT));
        }
        // As a grid cell draws it: characters beyond the basic plane too.
        draw_cell_text(dc, inside, shown);
    }
    RECT bottom{client.left, client.bottom - 1, client.right, client.bottom};
    FillRect(dc, &bottom, line.get());
    BitBlt(window_dc, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old_font);
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(hwnd(), &paint);
    return 0;
}

LRESULT FilterStrip::on_context_menu(WPARAM, LPARAM lparam) {
    POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    if (lparam == -1) {
        // From the keyboard: under the strip's left end.
        RECT r{};
        GetWindowRect(hwnd(), &r);
        at = POINT{r.left, r.bottom};
    }
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        return 0;
    }
    AppendMenuA(menu, MF_STRING | (folded_ ? MF_CHECKED : MF_UNCHECKED), kFoldCommand, kFoldItem);
    AppendMenuA(menu, MF_STRING | (any_filter() ? MF_ENABLED : MF_GRAYED), kClearCommand,
                kClearItem);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr));
    DestroyMenu(menu);
    if (chosen == kFoldCommand) {
        toggle_folded();
    } else if (chosen == kClearCommand) {
        clear_filters();
    }
    return 0;
}

void FilterStrip::toggle_folded() {
    folded_ = !folded_;
    if (editing_ > 0) {
        texts_[static_cast<std::size_t>(editing_ - 1)] = window_text_utf8(editor_);
    }
    if (any_filter()) {
        hand_on(true);
    }
}

void FilterStrip::clear_filters() {
    if (editing_ > 0) {
        editing_ = 0;
        ShowWindow(editor_, SW_HIDE);
    }
    std::fill(texts_.begin(), texts_.end(), std::string());
    bad_column_ = 0;
    InvalidateRect(hwnd(), nullptr, TRUE);
    hand_on(false);
}
