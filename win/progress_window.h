#pragma once

#include <windows.h>

#include <string>

// A small window over its owner that says how far a long action has come. The
// action runs on the GUI thread; the busy pump paints the window while it runs.
// The window goes when the object goes.
class ProgressWindow {
public:
    ProgressWindow(HWND owner, const char* caption);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    std::string text() const;
    void set_text(const std::string& text);

private:
    HWND hwnd_ = nullptr;
    HWND text_ = nullptr;
};
