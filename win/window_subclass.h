#pragma once

#include <windows.h>

// Takes over the window procedure of an existing control: the derived class sees
// every message first (handle_message) and what it leaves goes to the control's
// own procedure. Messages that a dialog sent back to the control and that the
// derived class does not want get default processing under their ordinary number,
// so that standard drawing and colours stay as they were.
class WindowSubclass {
public:
    WindowSubclass() = default;
    WindowSubclass(const WindowSubclass&) = delete;
    WindowSubclass& operator=(const WindowSubclass&) = delete;
    virtual ~WindowSubclass();

    bool attach(HWND hwnd);
    void detach();
    HWND hwnd() const { return hwnd_; }

protected:
    virtual bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    LRESULT call_original(UINT msg, WPARAM wparam, LPARAM lparam);

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
    // The control is a Unicode window (and stays one).
    bool unicode_ = false;
};

// True for a message number that a dialog raised when sending it back to a child.
bool is_reflected_message(UINT msg);
