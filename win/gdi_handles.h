#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

// Owners of the handles that the program must give back itself. An owner may
// hold no handle (a failed load or create); it then gives back nothing.

struct ImageListDestroyer {
    void operator()(HIMAGELIST images) const { ImageList_Destroy(images); }
};
using ImageListHandle = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using RegionHandle = std::unique_ptr<std::remove_pointer_t<HRGN>, GdiObjectDeleter>;
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

// A window's device context, released with this.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A window's device context with the window's font selected, for measuring its
// texts. The context gets its own font back before it is released.
class WindowFontDc {
public:
    explicit WindowFontDc(HWND window) : dc_(window) {
        if (dc_.get()) {
            old_font_ = SelectObject(
                dc_.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
        }
    }
    ~WindowFontDc() {
        if (dc_.get()) {
            SelectObject(dc_.get(), old_font_);
        }
    }
    WindowFontDc(const WindowFontDc&) = delete;
    WindowFontDc& operator=(const WindowFontDc&) = delete;

    HDC get() const { return dc_.get(); }

private:
    WindowDc dc_;
    HGDIOBJ old_font_ = nullptr;
};
