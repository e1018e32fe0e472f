#include "win/dialog_layout.h"

#include <algorithm>

namespace {

Rect to_rect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

RECT work_area(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return monitor.rcWork;
    }
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
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

void DialogLayout::setup_layout(HWND dialog,
                                std::initializer_list<ControlRule> rules,
                                SIZE designed) {
    dialog_ = dialog;
    entries_.clear();

    const LONG_PTR needed = WS_CLIPCHILDREN | WS_THICKFRAME | WS_MAXIMIZEBOX;
    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    if ((style & needed) != needed) {
        SetWindowLongPtrA(dialog, GWL_STYLE, style | needed);
    }

    RECT client;
    GetClientRect(dialog, &client);
    // The rules start from the size the controls were placed for; the window is
    // laid out for its own size below, once they are set.
    client.right = std::max(client.right, designed.cx);
    client.bottom = std::max(client.bottom, designed.cy);
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
    // Never larger than the screen, or the window could not be made to fit it.
    const RECT area = work_area(dialog);
    minimum_size_ = {std::min(window.right - window.left, area.right - area.left),
                     std::min(window.bottom - window.top, area.bottom - area.top)};
    has_minimum_ = true;

    for (const ControlRule& rule : rules) {
        HWND control = GetDlgItem(dialog, rule.control_id);
        Rect r;
        if (control && child_rect(dialog, control, r)) {
            entries_.push_back({rule.control_id, rule.rule, r});
        }
    }
    RECT now;
    GetClientRect(dialog, &now);
    if (now.right != initial_client_.cx || now.bottom != initial_client_.cy) {
        lay_out(now.right, now.bottom);
    }
}

void DialogLayout::rescale(int old_dpi, int new_dpi) {
    if (!dialog_ || old_dpi <= 0 || old_dpi == new_dpi) {
        return;
    }
    auto scale = [&](LONG& length) { length = MulDiv(length, new_dpi, old_dpi); };
    auto scale_int = [&](int& length) { length = MulDiv(length, new_dpi, old_dpi); };
    scale(initial_client_.cx);
    scale(initial_client_.cy);
    scale(minimum_size_.cx);
    scale(minimum_size_.cy);
    for (LayoutEntry& entry : entries_) {
        scale_int(entry.initial.left);
        scale_int(entry.initial.top);
        scale_int(entry.initial.right);
        scale_int(entry.initial.bottom);
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

void fit_to_work_area(HWND window) {
    const RECT area = work_area(window);
    RECT r;
    GetWindowRect(window, &r);
    const int width = std::min(r.right - r.left, area.right - area.left);
    const int height = std::min(r.bottom - r.top, area.bottom - area.top);
    if (width != r.right - r.left || height != r.bottom - r.top) {
        SetWindowPos(window, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
