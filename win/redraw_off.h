#pragma once

#include <windows.h>

// Switches a window's redrawing off for a scope and repaints it at the end, so
// that a control whose contents are replaced shows only the finished outcome.
class RedrawOff {
public:
    explicit RedrawOff(HWND hwnd);
    ~RedrawOff();
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    HWND hwnd_;
    bool was_visible_;
};
