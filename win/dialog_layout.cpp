#include "win/dialog_layout.h"

namespace {

Rect to_rect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// A control's rectangle in its parent's client coordinates.
bool child_rect(HWND dialog, HWND control, Rect& out) {
    RECT r;
    if (!GetWindowRect(control, &r)) {
        return false;
    }
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    out = to_rect(r);
    return true;
}

}  // namespace

void DialogLayout::setup_layout(HWND dialog, std::initializer_list<ControlRule> rules) {
    dialog_ = dialog;
    entries_.clear();

    const LONG_PTR needed = WS_CLIPCHILDREN | WS_THICKFRAME | WS_MAXIMIZEBOX;
    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    if ((style & needed) != needed) {
        SetWindowLongPtrA(dialog, GWL_STYLE, style | needed);
    }

    RECT client;
    GetClientRect(dialog, &client);
    initial_client_ = {client.right - client.left, client.bottom - client.top};

    if (!GetDlgItem(dialog, kSizeGripId)) {
        HWND grip = CreateWindowExA(
            0, "SCROLLBAR", nullptr,
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP |
                SBS_SIZEBOXBOTTOMRIGHTALIGN,
            client.left, client.top, client.right - client.left, client.bottom - client.top, dialog,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSizeGripId)),
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)), nullptr);
        if (grip) {
            grip_present_ = true;
            Rect r;
            child_rect(dialog, grip, r);
            entries_.push_back({kSizeGripId, layout_move_x | layout_move_y | layout_repaint, r});
        }
    }

    RECT window;
    GetWindowRect(dialog, &window);
    minimum_size_ = {window.right - window.left, window.bottom - window.top};
    has_minimum_ = true;

    for (const ControlRule& rule : rules) {
        HWND control = GetDlgItem(dialog, rule.control_id);
        Rect r;
        if (control && child_rect(dialog, control, r)) {
            entries_.push_back({rule.control_id, rule.rule, r});
        }
    }
}

void DialogLayout::on_size(UINT size_type, int width, int height) {
    if (!dialog_) {
        return;
    }
    if (grip_present_) {
        HWND grip = GetDlgItem(dialog_, kSizeGripId);
        if (size_type == SIZE_MAXIMIZED) {
            ShowWindow(grip, SW_HIDE);
        } else if (size_type == SIZE_RESTORED) {
            ShowWindow(grip, SW_SHOW);
        }
    }
    if (size_type == SIZE_MINIMIZED) {
        return;
    }
    lay_out(width, height);
}

void DialogLayout::lay_out(int width, int height) {
    const bool visible = IsWindowVisible(dialog_) != FALSE;
    if (visible) {
        SendMessageA(dialog_, WM_SETREDRAW, FALSE, 0);
    }
    const int dx = width - initial_client_.cx;
    const int dy = height - initial_client_.cy;
    for (const LayoutEntry& entry : entries_) {
        HWND control = GetDlgItem(dialog_, entry.control_id);
        Rect present;
        if (!control || !child_rect(dialog_, control, present)) {
            continue;
        }
        Rect r = layout_rect(entry.rule, entry.initial, present, dx, dy);
        if (entry.rule & layout_repaint) {
            InvalidateRect(control, nullptr, TRUE);
        }
        SetWindowPos(control, nullptr, r.left, r.top, r.width(), r.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (visible) {
        SendMessageA(dialog_, WM_SETREDRAW, TRUE, 0);
    }
    RedrawWindow(dialog_, nullptr, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void DialogLayout::on_get_min_max_info(MINMAXINFO* info) const {
    if (has_minimum_ && info) {
        info->ptMinTrackSize.x = minimum_size_.cx;
        info->ptMinTrackSize.y = minimum_size_.cy;
    }
}

void center_window(HWND window, HWND reference) {
    const bool child = (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0;
    if (!reference) {
        reference = child ? GetParent(window) : GetWindow(window, GW_OWNER);
    }

    RECT bounds;
    RECT ref;
    if (!child) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &bounds, 0);
        if (!reference || !IsWindowVisible(reference) || IsIconic(reference)) {
            ref = bounds;
        } else {
            GetWindowRect(reference, &ref);
        }
    } else {
        HWND parent = GetParent(window);
        GetClientRect(parent, &bounds);
        GetClientRect(reference, &ref);
        MapWindowPoints(reference, parent, reinterpret_cast<POINT*>(&ref), 2);
    }

    RECT own;
    GetWindowRect(window, &own);
    Point p = centered_position(own.right - own.left, own.bottom - own.top, to_rect(ref),
                                to_rect(bounds));
    SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
