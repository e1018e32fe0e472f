#pragma once

#include <windows.h>

// Display scale. Every length the program gives in pixels is written for 96 DPI
// (100 %) and scaled to the DPI of the window it is used in.

constexpr int kDefaultDpi = 96;

// The DPI of the monitor a window is on, as the system tells a program that
// follows each monitor's scale; where the system has no call for it (before
// Windows 10), the DPI of the whole system.
int window_dpi(HWND window);
// The DPI of the whole system (of the primary monitor when the program started).
int system_dpi();

// A length given for 96 DPI, at `dpi`.
inline int scale_for_dpi(int length, int dpi) {
    return MulDiv(length, dpi, kDefaultDpi);
}

// A system metric (SM_CXICON, SM_CXVSCROLL, ...) as it is at `dpi`.
int system_metric_for_dpi(int index, int dpi);

// An icon of the program's resources at `size` pixels square: the system picks the
// image of that size, or the nearest larger one scaled down. The caller destroys it.
HICON load_icon(int resource_id, int size);

// A rich edit control sizes its text for the system's DPI: on a monitor of
// another DPI its text is zoomed to match.
void zoom_rich_edit_to_dpi(HWND rich_edit, int dpi);

// Lets a dialog take a DPI change in its own hands: on WM_DPICHANGED the system
// leaves its font, its controls and its size alone (Windows 10 1703 and later
// would otherwise scale them itself, on top of what the program does).
void keep_dialog_dpi_change_to_program(HWND dialog);
