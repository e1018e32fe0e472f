#include "win/combo_box.h"

#include <algorithm>
#include <vector>

#include "win/dpi.h"
#include "win/gdi_handles.h"

void fit_drop_down(HWND combo, int most_visible, int dpi) {
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));

    int widest = 0;
    // Released before the drop-down is sized.
    if (WindowFontDc dc(combo); dc.get()) {
        for (int i = 0; i < count; ++i) {
            const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
            if (length == CB_ERR) {
                continue;
            }
            std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            SIZE extent{};
            GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(length), &extent);
            widest = std::max(widest, static_cast<int>(extent.cx));
        }
    }
    RECT box{};
    GetWindowRect(combo, &box);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(combo, MONITOR_DEFAULTTONEAREST), &monitor);
    // The item margins, the list's border and its scroll bar beside the text.
    const int wanted = widest + scale_for_dpi(8, dpi) + 2 * system_metric_for_dpi(SM_CXEDGE, dpi) +
                       (count > most_visible ? system_metric_for_dpi(SM_CXVSCROLL, dpi) : 0);
    const int room = std::max(static_cast<int>(monitor.rcWork.right - box.left),
                              static_cast<int>(box.right - box.left));
    const int width = std::min(std::max(wanted, static_cast<int>(box.right - box.left)), room);
    SendMessageA(combo, CB_SETDROPPEDWIDTH, width, 0);
    SendMessageA(combo, CB_SETMINVISIBLE, std::clamp(count, 1, most_visible), 0);
}
