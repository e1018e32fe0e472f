#include "win/dpi.h"

#include <richedit.h>

#include "win/dialog.h"

namespace {

// Calls that only newer systems have are looked up when first needed, so that
// the program starts on the others too.
template <class Function>
Function user_function(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name)))
                : nullptr;
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForSystemCall = UINT(WINAPI*)();
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
using SetDialogDpiChangeBehaviorCall = BOOL(WINAPI*)(HWND, int, int);

// DIALOG_DPI_CHANGE_BEHAVIORS: DDC_DISABLE_ALL.
constexpr int kDialogDpiChangeDisableAll = 0x0001;

}  // namespace

int system_dpi() {
    static const auto get_dpi_for_system = user_function<GetDpiForSystemCall>("GetDpiForSystem");
    if (get_dpi_for_system) {
        const UINT dpi = get_dpi_for_system();
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : kDefaultDpi;
}

int window_dpi(HWND window) {
    static const auto get_dpi_for_window = user_function<GetDpiForWindowCall>("GetDpiForWindow");
    if (get_dpi_for_window && window) {
        const UINT dpi = get_dpi_for_window(window);
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return system_dpi();
}

int system_metric_for_dpi(int index, int dpi) {
    if (dpi == system_dpi()) {
        return GetSystemMetrics(index);
    }
    static const auto get_metrics_for_dpi =
        user_function<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
    if (get_metrics_for_dpi) {
        return get_metrics_for_dpi(index, static_cast<UINT>(dpi));
    }
    // Without the call the metrics are those of the system's DPI.
    return MulDiv(GetSystemMetrics(index), dpi, system_dpi());
}

HICON load_icon(int resource_id, int size) {
    return static_cast<HICON>(LoadImageA(module_instance(), MAKEINTRESOURCEA(resource_id),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void zoom_rich_edit_to_dpi(HWND rich_edit, int dpi) {
    const int system = system_dpi();
    if (dpi != system) {
        SendMessageA(rich_edit, EM_SETZOOM, static_cast<WPARAM>(dpi), system);
        return;
    }
    int numerator = 0;
    int denominator = 0;
    SendMessageA(rich_edit, EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator),
                 reinterpret_cast<LPARAM>(&denominator));
    if (numerator != 0) {
        // Back on a monitor of the system's DPI: no zoom.
        SendMessageA(rich_edit, EM_SETZOOM, 0, 0);
    }
}

void keep_dialog_dpi_change_to_program(HWND dialog) {
    static const auto set_behavior =
        user_function<SetDialogDpiChangeBehaviorCall>("SetDialogDpiChangeBehavior");
    if (set_behavior) {
        set_behavior(dialog, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
    }
}
